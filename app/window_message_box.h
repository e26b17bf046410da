#pragma once
// A message box that may be asked for from any thread: the dialog's own thread
// shows it (through its view) while the asking thread waits for the answer.
#include <string>

#include "app/ui.h"

namespace tarn {

constexpr uint32_t WM_DIALOG_MESSAGEBOX = WM_USER + 602;  // lParam: WindowMessageBox::Request*

class WindowMessageBox : public IMessageBox {
public:
    struct Request {
        std::u16string text;
        MbButtons buttons;
        MbIcon icon;
    };

    explicit WindowMessageBox(IWindow* window) : m_window(window) {}
    int Show(const std::u16string& text, MbButtons buttons, MbIcon icon) override {
        Request request{text, buttons, icon};
        return static_cast<int>(m_window->Send(WM_DIALOG_MESSAGEBOX, 0, reinterpret_cast<LPARAM>(&request)));
    }
    // The dialog's window procedure passes WM_DIALOG_MESSAGEBOX here.
    static LRESULT Handle(IDialogView& view, LPARAM request) {
        const auto* r = reinterpret_cast<const Request*>(request);
        return view.MessageBox(r->text, r->buttons, r->icon);
    }

private:
    IWindow* m_window;
};

}  // namespace tarn
