// The stop signals on Windows: Ctrl-C, Ctrl-Break and a closed console come
// to the console's control handler, on a thread the system starts for it.
#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "app/console/signals.h"

namespace tarn::console {

namespace {

std::atomic<StopSignals*> g_signals{nullptr};

BOOL WINAPI OnConsoleControl(DWORD event) {
    StopSignals* signals = g_signals.load();
    if (!signals) return FALSE;
    signals->Deliver(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM);
    return TRUE;
}

}  // namespace

StopSignals::StopSignals() {
    g_signals = this;
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

StopSignals::~StopSignals() {
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_signals = nullptr;
}

void StopSignals::Run() {}

void StopSignals::EndNow(int signal) {
    if (m_end) m_end();
    std::_Exit(128 + signal);
}

}  // namespace tarn::console
