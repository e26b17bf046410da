#pragma once
// Message boxes, as the front end provides them: a text, the buttons, an icon;
// the answer comes back as the button pressed. The caption is always the
// application's name.
#include <string>

namespace tarn {

enum class MbButtons { Ok, YesNo, OkCancel };
enum class MbIcon { Warning, Question, Information, Error };

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual int Show(const std::u16string& text, MbButtons buttons = MbButtons::Ok,
                     MbIcon icon = MbIcon::Warning) = 0;
};

}  // namespace tarn
