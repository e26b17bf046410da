// The two entries of the framing table.
#include "link/link_framing.h"

#include <algorithm>

#include "link/hct_comm_base.h"
#include "link/trace.h"

namespace tarn {

const LinkFraming CHCT_COMM_BASE::kRtuFraming{
    [](CHCT_COMM_BASE& l, uint8_t s, uint16_t a, uint16_t v) { return l.Write_Reg_RTU(s, a, v, true); },
    [](CHCT_COMM_BASE& l, uint8_t s, uint16_t a, uint16_t n, const uint16_t* v) { return l.Write_MultiReg_RTU(s, a, n, v); },
    [](CHCT_COMM_BASE& l, uint8_t s, uint16_t a, uint16_t n, uint16_t* o) { return l.Read_Reg_RTU(s, a, n, o); },
    [](CHCT_COMM_BASE& l, uint8_t s, uint16_t a, uint16_t n, uint16_t* o) { return l.Read_CFG_RTU(s, a, n, o); },
    [](CHCT_COMM_BASE& l, uint8_t s, uint16_t* a, uint16_t* b, uint16_t* c) { return l.Read_Triple3_RTU(s, a, b, c); },
    [](CHCT_COMM_BASE& l, uint8_t s, uint8_t r, uint16_t a, uint16_t n, const uint16_t* w) {
        return l.Download_Block_RTU(s, r, a, n, w);
    },
    [](CHCT_COMM_BASE& l, uint8_t s, uint8_t r, uint16_t a, uint8_t n, uint16_t* o) { return l.Upload_Block_RTU(s, r, a, n, o); },
    // The reply trace shows the response the receive thread delivered.
    [](const CHCT_COMM_BASE& l) {
        return u"CMD : " + HexTrace(l.m_ReqBuf, std::min<size_t>(l.m_nWritten, sizeof l.m_ReqBuf)) + u"\nIN  : " +
               HexTrace(l.m_RespBuf, std::min<size_t>(l.m_nRespLen, sizeof l.m_RespBuf)) + u"\n";
    },
    true,
};

const LinkFraming CHCT_COMM_BASE::kAsciiFraming{
    [](CHCT_COMM_BASE& l, uint8_t s, uint16_t a, uint16_t v) { return l.Write_Reg_ASCII(s, a, v); },
    [](CHCT_COMM_BASE& l, uint8_t s, uint16_t a, uint16_t n, const uint16_t* v) { return l.Write_MultiReg_ASCII(s, a, n, v); },
    [](CHCT_COMM_BASE& l, uint8_t s, uint16_t a, uint16_t n, uint16_t* o) { return l.Read_Reg_ASCII(s, a, n, o); },
    [](CHCT_COMM_BASE& l, uint8_t s, uint16_t a, uint16_t n, uint16_t* o) { return l.Read_CFG_ASCII(s, a, n, o); },
    // The drive answers function 0x67 only in RTU framing: every attempt fails
    // and leaves the last message as it was.
    [](CHCT_COMM_BASE&, uint8_t, uint16_t*, uint16_t*, uint16_t*) { return false; },
    // The block functions do not exist in ASCII framing: each attempt succeeds
    // without sending anything.
    [](CHCT_COMM_BASE&, uint8_t, uint8_t, uint16_t, uint16_t, const uint16_t*) { return true; },
    [](CHCT_COMM_BASE&, uint8_t, uint8_t, uint16_t, uint8_t, uint16_t*) { return true; },
    [](const CHCT_COMM_BASE& l) {
        return u"CMD : " + TextTrace(l.m_ReqBuf, std::min<size_t>(l.m_nWritten, sizeof l.m_ReqBuf)) + u"\nIN  : " +
               TextTrace(l.m_RespBuf, std::min<size_t>(l.m_nAsciiRecv, sizeof l.m_RespBuf)) + u"\n";
    },
    false,
};

const LinkFraming& CHCT_COMM_BASE::FramingFor(bool rtu) { return rtu ? kRtuFraming : kAsciiFraming; }

}  // namespace tarn
