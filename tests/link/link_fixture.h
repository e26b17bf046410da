#pragma once
// A link opened at the system's settings on a virtual drive's pseudo-terminal.
#include <gtest/gtest.h>

#include <string>

#include "link/hct_comm.h"
#include "link/link_tables.h"
#include "sim/virtual_drive.h"

namespace tarn::test {

using sim::Bytes;

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(link.OpenPort(drive.Path(), kLinkBaudCode, kLinkProtocolCode), 1); }

    std::string Error();

    // Answers every request with `rtu` (its CRC appended when asked) in a
    // type-0 packet, instead of the drive's own reply.
    void ReplyWith(Bytes rtu, bool appendCrc = true);
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
