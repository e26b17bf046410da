#include "platform/ports/tty_devices.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <tuple>

#include "platform/wide_string.h"

namespace fs = std::filesystem;

namespace tarn {
namespace {

// A sysfs attribute as one line of text: blanks and line ends around it dropped,
// control characters turned into blanks. Empty when it cannot be read.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    char buf[256];
    in.read(buf, sizeof buf);
    std::string text(buf, static_cast<size_t>(in.gcount()));
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Names for bridges whose manufacturer string is blank, after their vendor id.
std::string VendorName(const std::string& idVendor) {
    static const std::map<std::string, std::string> kVendors = {
        {"10c4", "Silicon Labs"}, {"0403", "FTDI"}, {"067b", "Prolific"}, {"1a86", "QinHeng"}};
    auto it = kVendors.find(idVendor);
    return it == kVendors.end() ? std::string() : it->second;
}

bool IsWithin(const fs::path& path, const fs::path& root) {
    auto [r, p] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return r == root.end();
}

struct UsbStrings {
    std::string maker;
    std::string product;
};

// The strings of the USB device (the directory with idVendor) at or above the
// tty's device; a blank product string is taken from the interface's string.
std::optional<UsbStrings> UsbStringsOf(const fs::path& device, const fs::path& sysRoot) {
    std::string interfaceName;
    for (fs::path d = device; IsWithin(d, sysRoot) && d != sysRoot && d != d.parent_path();
         d = d.parent_path()) {
        std::error_code ec;
        if (interfaceName.empty()) interfaceName = ReadAttribute(d / "interface");
        if (!fs::exists(d / "idVendor", ec)) continue;
        UsbStrings usb{ReadAttribute(d / "manufacturer"), ReadAttribute(d / "product")};
        if (usb.product.empty()) usb.product = interfaceName;
        if (usb.maker.empty()) usb.maker = VendorName(ReadAttribute(d / "idVendor"));
        return usb;
    }
    return std::nullopt;
}

std::string FriendlyName(const std::string& name, const fs::path& device, const fs::path& sysRoot) {
    std::string text = "Serial Port";
    if (auto usb = UsbStringsOf(device, sysRoot)) {
        // "Silicon Labs" + "Silicon Labs CP2102" names the maker once.
        if (!usb->maker.empty() && usb->product.compare(0, usb->maker.size(), usb->maker) == 0)
            usb->maker.clear();
        text = usb->maker.empty() || usb->product.empty() ? usb->maker + usb->product
                                                          : usb->maker + " " + usb->product;
        if (text.empty()) text = "USB Serial Port";
    }
    return text + " (" + name + ")";
}

// ttyUSB2 before ttyUSB10: a trailing number compares by value.
bool NameOrder(const std::string& a, const std::string& b) {
    auto split = [](const std::string& s) {
        size_t digits = s.find_last_not_of("0123456789") + 1;
        std::string tail = s.substr(digits);
        tail.erase(0, std::min(tail.find_first_not_of('0'), tail.size()));
        return std::make_tuple(s.substr(0, digits), tail.size(), tail, s);
    };
    return split(a) < split(b);
}

// Device node (resolved) -> its /dev/serial/by-id link, the first by name.
std::map<fs::path, std::string> ByIdLinks(const fs::path& devRoot) {
    std::map<fs::path, std::string> links;
    std::error_code ec;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(devRoot / "serial" / "by-id", ec), end; !ec && it != end;
         it.increment(ec))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& link : entries) {
        fs::path target = fs::canonical(link, ec);
        if (!ec) links.emplace(target, link.string());
    }
    return links;
}

}  // namespace

std::optional<std::vector<TtyDevice>> GetPortsDeviceSet(const PortRoots& roots) {
    std::error_code ec;
    const fs::path sysRoot = fs::canonical(roots.sysRoot, ec);
    if (ec) return std::nullopt;
    std::vector<fs::path> ttys;
    for (fs::directory_iterator it(sysRoot / "class" / "tty", ec), end; !ec && it != end;
         it.increment(ec))
        ttys.push_back(it->path());
    if (ec) return std::nullopt;

    const auto byId = ByIdLinks(roots.devRoot);
    std::vector<TtyDevice> devices;
    for (const fs::path& entry : ttys) {
        const std::string name = entry.filename().string();
        const fs::path device = fs::canonical(entry / "device", ec);
        if (ec) continue;  // virtual consoles, pty masters: no device behind them
        if (ReadAttribute(entry / "type") == "0") continue;  // no UART
        const fs::path node = roots.devRoot / name;
        if (!fs::exists(node, ec)) continue;

        TtyDevice tty;
        tty.name = name;
        tty.devicePath = node.string();
        fs::path resolved = fs::canonical(node, ec);
        auto link = ec ? byId.end() : byId.find(resolved);
        tty.identity = link == byId.end() ? tty.devicePath : link->second;
        tty.friendlyName = FromUtf8(FriendlyName(name, device, sysRoot));
        devices.push_back(std::move(tty));
    }
    std::sort(devices.begin(), devices.end(),
              [](const TtyDevice& a, const TtyDevice& b) { return NameOrder(a.name, b.name); });
    return devices;
}

std::optional<int> LatencyTimerMs(const PortRoots& roots, const std::string& ttyName) {
    const std::string text = ReadAttribute(roots.sysRoot / "class" / "tty" / ttyName / "device" / "latency_timer");
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 5)
        return std::nullopt;
    return std::stoi(text);
}

}  // namespace tarn
