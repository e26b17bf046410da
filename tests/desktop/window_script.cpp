#include "window_script.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

namespace tarn::test {

WindowScript::WindowScript() { qApp->installEventFilter(this); }

WindowScript::~WindowScript() { qApp->removeEventFilter(this); }

WindowScript::Match WindowScript::Caption(const QString& caption) {
    return [caption](QWidget* window) { return window->windowTitle() == caption; };
}

bool WindowScript::eventFilter(QObject* object, QEvent* event) {
    if (event->type() != QEvent::Show || m_steps.empty() || !object->isWidgetType()) return false;
    auto* window = static_cast<QWidget*>(object);
    if (!window->isWindow() || !m_steps.front().first(window)) return false;
    Step step = std::move(m_steps.front().second);
    m_steps.pop_front();
    // A modal window's loop starts after it has shown.
    QPointer<QWidget> shown(window);
    QTimer::singleShot(0, window, [step, shown] {
        if (shown) step(shown);
    });
    return false;
}

}  // namespace tarn::test
