#pragma once
// Scripted answers for the windows that open while a test acts: each window
// that shows (a dialog, a message box, the file dialog, a menu) and matches the
// next step runs that step once its own event loop is running, as a user's
// action would come.
#include <QObject>
#include <QWidget>
#include <deque>
#include <functional>

namespace tarn::test {

class WindowScript : public QObject {
public:
    using Match = std::function<bool(QWidget*)>;
    using Step = std::function<void(QWidget*)>;

    WindowScript();
    ~WindowScript() override;

    void Then(Match match, Step step) { m_steps.push_back({std::move(match), std::move(step)}); }
    bool Done() const { return m_steps.empty(); }

    static Match Caption(const QString& caption);
    template <class W>
    static Match Kind() {
        return [](QWidget* window) { return qobject_cast<W*>(window) != nullptr; };
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    std::deque<std::pair<Match, Step>> m_steps;
};

}  // namespace tarn::test
