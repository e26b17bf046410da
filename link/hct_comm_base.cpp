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
    return Retry([&] {
        return m_bRtu ? Write_Reg_RTU(station, address, value, true)
                      : Write_Reg_ASCII(station, address, value);
    });
}

bool CHCT_COMM_BASE::Write_MultiReg(uint8_t station, uint16_t address, uint16_t count,
                                    const uint16_t* values) {
    std::lock_guard lock(m_csLink);
    return Retry([&] {
        return m_bRtu ? Write_MultiReg_RTU(station, address, count, values)
                      : Write_MultiReg_ASCII(station, address, count, values);
    });
}

bool CHCT_COMM_BASE::Read_Reg(uint8_t station, uint16_t address, uint16_t count,
                              uint16_t* out) {
    std::lock_guard lock(m_csLink);
    return Retry([&] {
        return m_bRtu ? Read_Reg_RTU(station, address, count, out)
                      : Read_Reg_ASCII(station, address, count, out);
    });
}

bool CHCT_COMM_BASE::Read_CFG(uint8_t station, uint16_t address, uint16_t count,
                              uint16_t* out) {
    // No lock across the retries: in RTU each attempt takes it, in ASCII none does.
    return Retry([&] {
        return m_bRtu ? Read_CFG_RTU(station, address, count, out)
                      : Read_CFG_ASCII(station, address, count, out);
    });
}

bool CHCT_COMM_BASE::Read_Triple(uint8_t station, uint16_t* first, uint16_t* second,
                                 uint16_t* third) {
    // The drive answers function 0x67 only in RTU framing: in ASCII mode every
    // attempt fails and leaves the last message as it was.
    return Retry([&] { return m_bRtu && Read_Triple3_RTU(station, first, second, third); });
}

std::u16string CHCT_COMM_BASE::GetErrMsg() { return m_strError; }

std::u16string CHCT_COMM_BASE::TraceLines() const {
    const size_t sent = std::min<size_t>(m_nWritten, sizeof m_ReqBuf);
    if (!m_bRtu) {
        return u"CMD : " + TextTrace(m_ReqBuf, sent) + u"\nIN  : " +
               TextTrace(m_RespBuf, std::min<size_t>(m_nAsciiRecv, sizeof m_RespBuf)) + u"\n";
    }
    // In RTU mode the reply trace shows the response the receive thread delivered.
    return u"CMD : " + HexTrace(m_ReqBuf, sent) + u"\nIN  : " +
           HexTrace(m_RespBuf, std::min<size_t>(m_nRespLen, sizeof m_RespBuf)) + u"\n";
}

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
