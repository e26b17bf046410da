#include <windows.h>

#include <system_error>

#include "platform/serial/wake_event.h"

namespace tarn {

// A manual-reset event: signals before a Drain() coalesce, as with an eventfd.
WakeEvent::WakeEvent() : m_fd(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!m_fd) throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "CreateEvent");
}

WakeEvent::~WakeEvent() { ::CloseHandle(m_fd); }

void WakeEvent::Signal() { ::SetEvent(m_fd); }

void WakeEvent::Drain() { ::ResetEvent(m_fd); }

void WakeEvent::Wait(int timeoutMs) {
    ::WaitForSingleObject(m_fd, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
}

}  // namespace tarn
