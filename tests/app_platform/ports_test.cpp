// The port list's sources: serial devices found in a fake sysfs tree with their
// friendly names, port numbers that stay with a device, the bridge keyword test,
// the link's registry and the trace line, and the list that owns the records.
#include <gtest/gtest.h>
#include <stdio.h>

#include "platform/ports/com_info.h"
#include "platform/ports/drive_port.h"
#include "platform/ports/generic_list.h"
#include "platform/ports/port_enum.h"
#include "platform/ports/port_numbers.h"
#include "platform/profile/memory_profile.h"
#include "platform/serial/port_registry.h"
#include "tests/app_platform/fake_tree.h"

namespace tarn {
namespace {

struct Port {
    int number;
    std::string path, friendly;
    bool operator==(const Port&) const = default;
};
void PrintTo(const Port& p, std::ostream* os) {
    *os << p.number << " " << p.path << " '" << p.friendly << "'";
}
std::vector<Port> List(const PortNode* n) {
    std::vector<Port> ports;
    for (; n; n = n->pNext.get())
        ports.push_back({n->nPort, ToUtf8(n->strPortName), ToUtf8(n->strFriendlyName)});
    return ports;
}

const char kCp2102[] = "usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller_0001-if00-port0";

TEST(EnumComPorts, ListsPresentSerialDevicesNumbersThemAndFillsTheRegistry) {
    test::FakeTree tree;
    tree.AddVirtualTty("tty0");
    tree.AddVirtualTty("console");
    tree.AddBoardTty("ttyS0", 4);
    tree.AddBoardTty("ttyS1", 0);  // placeholder: no UART
    tree.AddUsbTty("ttyUSB10", "1-4", "0403", "", "FT232R USB UART");
    tree.AddUsbTty("ttyUSB2", "1-2", "10c4", "Silicon Labs", "CP2102 USB to UART Bridge Controller",
                   kCp2102);
    tree.AddUsbTty("ttyUSB3", "1-3", "10c4", "Silicon Labs", "Silicon Labs CP2105");
    tree.AddUsbTty("ttyUSB4", "1-5", "abcd", "", "");
    tree.AddUsbTty("ttyUSB5", "1-6", "10c4", "", "");
    std::filesystem::remove(tree.Roots().devRoot / "ttyUSB5");  // no device node

    MemoryProfile profile;
    auto head = EnumComPorts(profile, tree.Roots());
    const std::string dev = tree.Roots().devRoot.string();
    const std::vector<Port> expected = {
        {1, dev + "/ttyS0", "Serial Port (ttyS0)"},
        {2, dev + "/ttyUSB2", "Silicon Labs CP2102 USB to UART Bridge Controller (ttyUSB2)"},
        {3, dev + "/ttyUSB3", "Silicon Labs CP2105 (ttyUSB3)"},
        {4, dev + "/ttyUSB4", "USB Serial Port (ttyUSB4)"},
        {5, dev + "/ttyUSB10", "FTDI FT232R USB UART (ttyUSB10)"},
    };
    EXPECT_EQ(List(head.get()), expected);
    // An FTDI bridge tells its latency timer; other drivers have none.
    test::WriteFileBytes(tree.Roots().sysRoot / "devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/ttyUSB10/latency_timer",
                   std::string("16\n"));
    EXPECT_EQ(LatencyTimerMs(tree.Roots(), "ttyUSB10"), 16);
    EXPECT_EQ(LatencyTimerMs(tree.Roots(), "ttyUSB2"), std::nullopt);
    // The CP2102 is known by its by-id link, the others by their paths.
    auto table = profile.GetProfileSection(kSectionPortNumbers);
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[1].first, u"2");
    EXPECT_EQ(ToUtf8(table[1].second), dev + "/serial/by-id/" + kCp2102);
    EXPECT_EQ(ToUtf8(table[4].second), dev + "/ttyUSB10");

    // Port numbers open their devices; numbers of other sources stay, stale ones go.
    PortRegistry registry;
    registry.Assign(40, "/dev/pts/9");
    registry.Assign(1, "/stale");
    FillPortRegistry(head.get(), registry);
    EXPECT_EQ(registry.PathOf(1), dev + "/ttyS0");
    EXPECT_EQ(registry.PathOf(5), dev + "/ttyUSB10");
    EXPECT_EQ(registry.PathOf(40), "/dev/pts/9");
    char* text = nullptr;
    size_t size = 0;
    FILE* out = ::open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    TracePort(out, head->nPort, head->strFriendlyName);
    TracePort(nullptr, 1, u"nowhere");
    ::fclose(out);
    EXPECT_STREQ(text, "Port 1 'Serial Port (ttyS0)'\n");
    ::free(text);

    // No tty class, or nothing serial in it: no ports.
    EXPECT_EQ(EnumComPorts(profile, {tree.Roots().sysRoot / "missing", "/dev"}), nullptr);
    test::FakeTree empty;
    empty.AddVirtualTty("tty1");
    EXPECT_EQ(EnumComPorts(profile, empty.Roots()), nullptr);
    // A long chain is released without deep recursion.
    PortNode* tail = head.get();
    for (int i = 0; i < 200000; ++i) tail = (tail->pNext = std::make_unique<PortNode>()).get();
    head.reset();
}

TEST(EnumComPorts, NumbersStayWithTheDeviceFromRunToRun) {
    test::FakeTree tree;
    tree.AddUsbTty("ttyUSB0", "1-1", "0403", "FTDI", "FT232R USB UART", "usb-FTDI_A1");
    tree.AddUsbTty("ttyUSB1", "1-2", "10c4", "Silicon Labs", "CP2102", kCp2102);
    MemoryProfile profile;
    ASSERT_EQ(List(EnumComPorts(profile, tree.Roots()).get()).size(), 2u);

    // The CP2102 comes back on another socket as ttyUSB0 while the FTDI adapter is
    // away; a new adapter arrives. The new one takes the lowest free number.
    tree.Remove("ttyUSB0", "usb-FTDI_A1");
    tree.Remove("ttyUSB1", kCp2102);
    tree.AddUsbTty("ttyUSB0", "1-3", "10c4", "Silicon Labs", "CP2102", kCp2102);
    tree.AddUsbTty("ttyUSB1", "1-4", "067b", "Prolific", "PL2303", "usb-Prolific_B2");
    const std::string dev = tree.Roots().devRoot.string();
    const std::vector<Port> expected = {
        {2, dev + "/ttyUSB0", "Silicon Labs CP2102 (ttyUSB0)"},
        {3, dev + "/ttyUSB1", "Prolific PL2303 (ttyUSB1)"},
    };
    EXPECT_EQ(List(EnumComPorts(profile, tree.Roots()).get()), expected);
    // A second run with the same profile gives the same numbers and adds nothing.
    EXPECT_EQ(List(EnumComPorts(profile, tree.Roots()).get()), expected);
    EXPECT_EQ(profile.GetProfileSection(kSectionPortNumbers).size(), 3u);

    // Damaged table lines are not honoured.
    MemoryProfile damaged;
    for (auto [number, identity] : {std::pair{u"7", u"/dev/a"},
                                    {u"07", u"/dev/b"},  // number taken
                                    {u"8", u"/dev/a"},   // identity taken
                                    {u"0", u"/dev/c"},   // below 1
                                    {u"x1", u"/dev/d"},  // not a number
                                    {u"2", u""}})        // no identity
        damaged.WriteProfileString(kSectionPortNumbers, number, identity);
    EXPECT_EQ(AssignPortNumbers(damaged, {"/dev/b", "/dev/a", "/dev/c", "/dev/d", "/dev/e"}),
              (std::vector<int>{1, 7, 2, 3, 4}));
    EXPECT_EQ(AssignPortNumbers(damaged, {"/dev/e", "/dev/b"}), (std::vector<int>{4, 1}));
}

TEST(IsDrivePort, KeywordOfTheIdentityInAnyCase) {
    EXPECT_TRUE(
        IsDrivePort(3, 6, 5, u"Silicon Labs CP2102 USB to UART Bridge Controller (ttyUSB0)"));
    EXPECT_TRUE(IsDrivePort(3, 6, 5, u"sIlIcOn"));
    EXPECT_TRUE(IsDrivePort(3, 6, 6, u"xsiliconx"));
    EXPECT_FALSE(IsDrivePort(3, 6, 5, u"FTDI FT232R USB UART (ttyUSB1)"));
    EXPECT_FALSE(IsDrivePort(3, 6, 5, u""));
    EXPECT_FALSE(IsDrivePort(3, 6, 7, u"Silicon Labs"));
    // Its keyword has lower-case letters and the name is upper-cased: never listed.
    EXPECT_FALSE(IsDrivePort(3, 7, 0, u"Halden-Q9"));
    EXPECT_FALSE(IsDrivePort(3, 7, 0, u"HALDEN-Q9"));
    EXPECT_EQ(UpperCase(u"com5 \u00e9\u53f0"), u"COM5 \u00e9\u53f0");
}

TEST(CGenericList, KeepsOrderAndAddressesAndOwnsItsRecords) {
    CGenericList<_tagComInfo> list, more;
    auto record = [](int port) { return std::make_unique<_tagComInfo>(_tagComInfo{port, u"p"}); };
    _tagComInfo* three = list.AddTail(record(3));
    _tagComInfo* twelve = list.AddTail(record(12));
    list.AddHead(record(1));
    list.InsertAfter(list.FindIndex(1), record(5));
    list.InsertBefore(list.FindIndex(0), record(0));
    more.AddTail(record(20));
    list.AddTail(std::move(more));
    EXPECT_TRUE(more.IsEmpty());
    std::vector<int> order;
    for (const auto& r : list) order.push_back(r->nComPort);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 3, 5, 12, 20}));
    EXPECT_EQ(list.FindIndex(6), list.end());
    EXPECT_EQ(list.RemoveAt(list.FindIndex(2)).get(), three);
    EXPECT_EQ(list.Find(three), -1);
    EXPECT_EQ(list.Find(twelve), 3);
    list.RemoveAllWithDelete();
    EXPECT_EQ(list.GetCount(), 0u);
}

}  // namespace
}  // namespace tarn
