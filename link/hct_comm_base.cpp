#include "link/hct_comm_base.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "link/link_messages.h"
#include "link/trace.h"
#include "platform/wide_string.h"

namespace tarn {

CHCT_COMM_BASE::CHCT_COMM_BASE() = default;

bool CHCT_COMM_BASE::Write_Reg(uint8_t station, uint16_t address, uint16_t value) {
    std::lock_guard lock(m_csLink);
    const LinkFraming& framing = *m_pFraming;
    return Retry([&] { return framing.writeRegister(*this, station, address, value); });
}

bool CHCT_COMM_BASE::Write_MultiReg(uint8_t station, uint16_t address, uint16_t count,
                                    const uint16_t* values) {
    std::lock_guard lock(m_csLink);
    const LinkFraming& framing = *m_pFraming;
    return Retry([&] { return framing.writeRegisters(*this, station, address, count, values); });
}

bool CHCT_COMM_BASE::Read_Reg(uint8_t station, uint16_t address, uint16_t count,
                              uint16_t* out) {
    std::lock_guard lock(m_csLink);
    const LinkFraming& framing = *m_pFraming;
    return Retry([&] { return framing.readRegisters(*this, station, address, count, out); });
}

bool CHCT_COMM_BASE::Read_CFG(uint8_t station, uint16_t address, uint16_t count,
                              uint16_t* out) {
    // No lock across the retries: in RTU each attempt takes it, in ASCII none does.
    const LinkFraming& framing = *m_pFraming;
    return Retry([&] { return framing.readConfig(*this, station, address, count, out); });
}

bool CHCT_COMM_BASE::Read_Triple(uint8_t station, uint16_t* first, uint16_t* second,
                                 uint16_t* third) {
    const LinkFraming& framing = *m_pFraming;
    return Retry([&] { return framing.readTriple(*this, station, first, second, third); });
}

std::u16string CHCT_COMM_BASE::GetErrMsg() { return m_strError; }

std::u16string CHCT_COMM_BASE::TraceLines() const { return m_pFraming.load()->traceLines(*this); }

// ---- hand-over between callers and the receive thread ----

bool CHCT_COMM_BASE::Send_Request(uint32_t length) {
    return m_mailbox.Post(m_ReqBuf, length, std::chrono::milliseconds(m_nSendTimeout));
}

void CHCT_COMM_BASE::SetThreadCommand(uint32_t command) {
    {
        std::lock_guard lock(m_mxThread);
        m_nThreadCmd = command;
    }
    m_cvThread.notify_all();
    m_wake.Signal();
}

}  // namespace tarn
