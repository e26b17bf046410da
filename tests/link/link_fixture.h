#pragma once
// A link opened on a virtual drive's pseudo-terminal: in RTU at the system's
// settings, or in ASCII.
#include <gtest/gtest.h>

#include <string>

#include "link/hct_comm.h"
#include "link/link_tables.h"
#include "sim/virtual_drive.h"

namespace tarn {
inline void PrintTo(const LinkFault& f, std::ostream* os) { *os << "kind " << int(f.kind) << " code " << f.code; }
}  // namespace tarn

namespace tarn::test {

using sim::Bytes;
using enum LinkFaultKind;

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override { Open(false); }
    // ASCII at 9600 baud (a 35 ms read pass leaves the test time to spare), 8N2.
    void Open(bool ascii);

    std::string Error();
    LinkFault Fault() const { return link.LastFault(); }

    // Answers every request with `rtu` (its CRC appended when asked) in a
    // type-0 packet, instead of the drive's own reply.
    void ReplyWith(Bytes rtu, bool appendCrc = true);
    // Answers every request with `text` as it stands.
    void ReplyText(const std::string& text);
    // Answers with `bytes` as the link is framed: in a packet with their CRC,
    // or as an ASCII line with its LRC. `swapCheck` swaps the CRC's two bytes
    // or the LRC's two digits.
    void ReplyFramed(const Bytes& bytes, bool swapCheck = false);
    // The frames the drive received, as bytes.
    std::vector<Bytes> Sent();

    sim::VirtualDrive drive{1};
    CHCT_COMM link;
};

// The link's last message in UTF-8.
std::string ErrorOf(CHCT_COMM& link);

// "01 03 02 00 00 02 C5 B3 " as the link traces bytes.
std::string Hex(const Bytes& bytes);

}  // namespace tarn::test
