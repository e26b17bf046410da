#pragma once
// A front end for tests: controls kept as data, message boxes answered from a
// script, and a window whose messages the test's thread dispatches.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/message_window.h"
#include "app/ui.h"

namespace tarn::test {

class RecordingView : public IDialogView {
public:
    explicit RecordingView(MessageWindow::Handler handler) : m_window(std::move(handler)) {}

    std::u16string GetText(int id) override { return texts[id]; }
    void SetText(int id, const std::u16string& text) override { texts[id] = text; }
    void SetTextColor(int, Rgb) override {}
    void SetButtonColors(int id, Rgb background, Rgb text) override { buttonColors[id] = {background, text}; }
    bool IsChecked(int id) override { return checked[id]; }
    void SetChecked(int id, bool on) override { checked[id] = on; }
    void Enable(int id, bool on) override { enabled[id] = on; }
    void Show(int id, bool on) override { shown[id] = on; }
    void ListClear(int id) override { lists[id].clear(); }
    void ListAppend(int id, const std::u16string& line) override { lists[id].push_back(line); }
    void ComboClear(int id) override { combos[id].clear(); }
    int ComboAdd(int id, const std::u16string& text, void* data) override;
    int ComboInsert(int id, int index, const std::u16string& text, void* data) override;
    int ComboCount(int id) override { return static_cast<int>(combos[id].size()); }
    int ComboGetSel(int id) override { return selection.count(id) ? selection[id] : -1; }
    void ComboSetSel(int id, int index) override { selection[id] = index; }
    void* ComboGetData(int id, int index) override { return combos[id].at(index).second; }
    void ProgressSetRange(int, int, int) override {}
    void ProgressSetPos(int, int) override {}
    void SetTimer(int timerId, unsigned) override { timers.push_back(timerId); }
    void KillTimer(int timerId) override { killed.push_back(timerId); }
    int MessageBox(const std::u16string& text, MbButtons buttons, MbIcon icon) override;
    void SetFileBrowse(int, const std::u16string&, const std::u16string&) override {}
    void AppendSystemMenuItem(int, const std::u16string&) override {}
    std::optional<std::u16string> SaveFileDialog(const std::u16string&, const std::u16string&,
                                                 const std::u16string&, SaveFileOptions options) override {
        saveOptions = options;
        return saveAs;
    }
    IWindow* Window() override { return &m_window; }
    void EndDialog(int) override { ended = true; }

    // Runs the window's messages until `done` holds or `timeoutMs` passes.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 30000);
    std::vector<std::string> Log(int id) const;

    std::map<int, std::u16string> texts;
    std::map<int, std::pair<Rgb, Rgb>> buttonColors;
    std::map<int, bool> checked, enabled, shown;
    std::map<int, std::vector<std::u16string>> lists;
    std::map<int, std::vector<std::pair<std::u16string, void*>>> combos;
    std::map<int, int> selection;
    std::vector<int> timers, killed;
    std::vector<std::string> boxes;        // the texts shown
    std::deque<int> answers;               // answers to give, IDOK when empty
    std::optional<std::u16string> saveAs;  // the save-file dialog's answer
    SaveFileOptions saveOptions;
    bool ended = false;

private:
    MessageWindow m_window;
};

}  // namespace tarn::test
