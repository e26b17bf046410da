#pragma once
// The Modbus side of the drive link: retrying operations, the RTU workers, the
// block functions, the link lock and the last error message. The serial
// transport (opening the port, the receive thread) is CHCT_COMM's.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/modbus_master.h"
#include "platform/serial/serial_port.h"
#include "platform/serial/wake_event.h"

namespace tarn {

class CHCT_COMM_BASE : public IModbusMaster {
public:
    CHCT_COMM_BASE();
    ~CHCT_COMM_BASE() override = default;

    bool Write_Reg(uint8_t station, uint16_t address, uint16_t value) override;
    bool Write_MultiReg(uint8_t station, uint16_t address, uint16_t count,
                        const uint16_t* values) override;
    bool Read_Reg(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) override;
    bool Download_Data(uint8_t station, uint8_t area, uint16_t count,
                       const uint16_t* words) override;
    bool Download_Block(uint8_t station, uint8_t area, uint16_t address, uint16_t count,
                        const uint16_t* words) override;
    bool Download_DataAt(uint8_t station, uint8_t area, uint16_t count, const uint16_t* words,
                         uint16_t start) override;
    bool Upload_Block(uint8_t station, uint8_t area, uint16_t address, uint8_t count,
                      uint16_t* out) override;
    bool Read_CFG(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) override;
    bool Read_Triple(uint8_t station, uint16_t* first, uint16_t* second,
                     uint16_t* third) override;
    std::u16string GetErrMsg() override;
    bool ClosePort(bool) override { return true; }

    bool Read_Reg_RTU(uint8_t station, uint16_t address, uint16_t count,
                      uint16_t* out) override;
    bool Write_Reg_RTU(uint8_t station, uint16_t address, uint16_t value,
                       bool waitReply) override;
    bool Write_MultiReg_RTU(uint8_t station, uint16_t address, uint16_t count,
                            const uint16_t* values) override;
    bool Read_Triple_RTU(uint8_t station, TripleRecord* record) override;
    bool Read_Triple3_RTU(uint8_t station, uint16_t* first, uint16_t* second,
                          uint16_t* third) override;
    bool Read_CFG_RTU(uint8_t station, uint16_t address, uint16_t count, uint16_t* out) override;
    bool Download_Block_RTU(uint8_t station, uint8_t area, uint16_t address, uint16_t count,
                            const uint16_t* words) override;
    bool Upload_Block_RTU(uint8_t station, uint8_t area, uint16_t address, uint8_t count,
                          uint16_t* out) override;

    // One-attempt Modbus ASCII workers: the retrying operations call them when
    // the link runs an ASCII protocol code. They use the port from the caller's
    // thread; the receive thread leaves the port alone in ASCII mode.
    bool Read_Reg_ASCII(uint8_t station, uint16_t address, uint16_t count, uint16_t* out);
    bool Write_Reg_ASCII(uint8_t station, uint16_t address, uint16_t value);
    bool Write_MultiReg_ASCII(uint8_t station, uint16_t address, uint16_t count,
                              const uint16_t* values);
    bool Read_CFG_ASCII(uint8_t station, uint16_t address, uint16_t count, uint16_t* out);

    // Exception code of the last register write the drive refused; 0 otherwise.
    uint16_t ExceptionCode() const { return m_nExcCode; }

protected:
    static constexpr uint32_t kThreadPark = 0;
    static constexpr uint32_t kThreadRun = 10;
    static constexpr uint32_t kThreadEnd = 20;

    // Hands the m_nTxLen bytes of m_ReqBuf to the receive thread and waits until
    // it has taken them, at most m_nSendTimeout ms.
    bool Send_Request(uint32_t length);
    // Hands the request over and waits for the drive's reply (then in
    // m_RespBuf / m_nRespLen), with the link's two time-outs: the
    // request must be taken within m_nSendTimeout ms and answered within
    // m_nRespTimeout ms of being taken. The caller sleeps once per exchange: it
    // is woken for the take only when the take is late.
    enum class Handover { Replied, NotTaken, NoReply };
    Handover SendAndAwaitReply(uint32_t length);
    // m_nRespLen := 0 before a request, also for a response still in transit.
    void ClearResponse();
    // Before a request that differs from one whose attempt timed out: the
    // replies still owed to that one may yet come, and one of them would pass
    // every check of the new request (a read of as many registers elsewhere).
    // Waits until they have come, or until the line has been quiet for twice
    // the reply time-out, and lets them go by.
    void SettleBefore(uint32_t length);

    // Receive-thread side of the hand-over.
    bool TakeRequest(uint8_t* out, uint32_t& length);
    void DeliverResponse(const uint8_t* payload, uint32_t length);
    void CancelRequest();
    // A reply from another station, or to another function, than the request
    // on the line is a late reply to an earlier one: it answers nothing.
    bool AnswersInflightRequest(const uint8_t* reply, uint32_t length) const;
    static constexpr uint8_t kAnyStation = 255;
    // A request went out on the line, or bytes came in.
    void NoteRequestWritten();
    void NoteBytesReceived();

    // Receive-thread command, with the wake-ups that make a change seen at once.
    void SetThreadCommand(uint32_t command);

    // "CMD : <request>\nIN  : <reply>\n"
    std::u16string TraceLines() const;

    // Writes the request text in m_ReqBuf, reads up to `wanted` reply characters
    // in at most m_nReadPasses + 1 passes and checks the colon; raises on failure.
    void AsciiExchange(size_t wanted);
    // The LRC of the reply text in m_RespBuf matches its last-but-three and
    // last-but-two characters.
    bool AsciiLrcMatches() const;
    [[noreturn]] static void Raise(const char* message);
    // Clears the response, hands over `length` request bytes and waits for the
    // reply; raises the sending failure or `timeoutMessage`.
    void Exchange(uint32_t length, const char* timeoutMessage);
    // One attempt of function 0x67, under the link lock.
    bool ReadTripleAttempt(uint8_t station, uint16_t words[3]);
    // Sends `count` words as blocks of at most 5, at start + index of each block.
    bool DownloadInBlocks(uint8_t station, uint8_t area, uint16_t count, const uint16_t* words,
                          uint16_t start);
    void PurgePort();
    template <class OneAttempt>
    bool Retry(OneAttempt attempt);

    // What a failed attempt leaves behind: its message, the message followed by
    // the request and reply traces, or the message and a purged port.
    enum class OnFailure { Store, StoreWithTraces, StoreAndPurge };
    // Runs one attempt's exchange and checks; a message they raise ends the
    // attempt, which then returns false.
    template <class Body>
    bool Attempt(OnFailure onFailure, Body body);

    SerialPort m_hCom;
    std::unique_ptr<std::thread> m_pRecvThread;
    std::atomic<uint32_t> m_nThreadCmd{kThreadPark};
    uint32_t m_nRespLen = 0;
    // Changed under m_mxHandoff; the receive thread looks at it without the lock
    // and takes the lock only when a request waits.
    std::atomic<uint8_t> m_bTxPending{0};
    LineSettings m_dcb;
    PortTimeouts m_timeouts;
    uint8_t m_bOpened = 0;
    std::atomic<uint8_t> m_bRtu{0};  // the receive thread reads only in RTU mode
    uint8_t m_RespBuf[100] = {};
    uint8_t m_ReqBuf[102] = {};
    std::atomic<uint32_t> m_nWritten{0};
    uint32_t m_nAsciiRecv = 0;
    uint32_t m_nTxLen = 0;  // guarded by m_mxHandoff
    uint32_t m_nReadPasses = 3;
    uint8_t m_bLastResult = 0;
    uint32_t m_nTries = 0;
    uint32_t m_nRetryLimit = 3;
    uint32_t m_nRespTimeout = 2100;
    uint32_t m_nSendTimeout = 1600;
    uint16_t m_nExcCode = 0;
    std::u16string m_strError;
    std::recursive_mutex m_csLink;

    // The hand-over between callers and the receive thread. The thread delivers
    // into m_RxBuf; SendAndAwaitReply moves it into m_RespBuf, so that a late reply
    // arriving during a check never changes the bytes being checked.
    std::mutex m_mxHandoff;
    std::condition_variable m_cvHandoff;
    uint8_t m_RxBuf[100] = {};
    uint32_t m_nRxLen = 0;
    std::chrono::steady_clock::time_point m_takenAt;  // when the receive thread took the request
    bool m_bTakeAwaited = false;                      // a caller waits to hear of the take
    uint8_t m_nInflightStation = 0;                   // of the request last taken
    uint8_t m_nInflightFunction = 0;
    WakeEvent m_wake;
    // Requests written and replies delivered since the line was last settled,
    // and when the line last saw a request go out or a byte come in.
    uint64_t m_nRequestsWritten = 0;
    uint64_t m_nRepliesDelivered = 0;
    std::chrono::steady_clock::time_point m_lastLineActivity{};
    // Callers' side (under m_csLink): the request whose attempt timed out.
    bool m_bUnsettled = false;
    uint8_t m_UnsettledReq[sizeof m_ReqBuf] = {};
    uint32_t m_nUnsettledLen = 0;

    // Parking of the receive thread while the port is closed.
    std::mutex m_mxThread;
    std::condition_variable m_cvThread;
    bool m_bParked = true;
};

template <class OneAttempt>
bool CHCT_COMM_BASE::Retry(OneAttempt attempt) {
    m_nTries = 0;
    do {
        m_bLastResult = attempt() ? 1 : 0;
        ++m_nTries;
    } while (!m_bLastResult && m_nTries < m_nRetryLimit);
    return m_bLastResult != 0;
}

template <class Body>
bool CHCT_COMM_BASE::Attempt(OnFailure onFailure, Body body) {
    try {
        return body();
    } catch (const std::u16string& message) {
        m_strError = onFailure == OnFailure::StoreWithTraces ? message + u"\n" + TraceLines() : message;
        if (onFailure == OnFailure::StoreAndPurge) PurgePort();
        return false;
    }
}

}  // namespace tarn
