// The serial ports of a Windows machine from the device-setup database: the
// present devices of the class "Ports", each with the "PortName" value of its
// hardware key and its friendly name, in the database's order.
#include <windows.h>
// After windows.h:
#include <setupapi.h>

#include <vector>

#include "platform/ports/drive_port.h"
#include "platform/ports/tty_devices.h"
#include "platform/win32/win32_text.h"

namespace tarn {

namespace {

// An information set of the present "Ports" devices; INVALID_HANDLE_VALUE when
// the class or its devices cannot be had.
HDEVINFO PortsDeviceSet() {
    DWORD count = 0;
    ::SetupDiClassGuidsFromNameW(L"Ports", nullptr, 0, &count);
    if (count == 0) return INVALID_HANDLE_VALUE;
    std::vector<GUID> guids(count);
    if (!::SetupDiClassGuidsFromNameW(L"Ports", guids.data(), count, &count)) return INVALID_HANDLE_VALUE;
    return ::SetupDiGetClassDevsW(&guids[0], nullptr, nullptr, DIGCF_PRESENT);
}

// The "PortName" value, upper-cased; empty when there is none.
std::u16string PortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
    wchar_t name[16] = {};
    HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key != INVALID_HANDLE_VALUE) {
        DWORD size = sizeof name - sizeof(wchar_t);  // the text stays terminated
        DWORD type = 0;
        ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
        ::RegCloseKey(key);
    }
    return UpperCase(U16FromWide(name));
}

std::u16string FriendlyName(HDEVINFO set, SP_DEVINFO_DATA& device) {
    DWORD size = 0;
    ::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size + 2, 0);
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr, buffer.data(), size,
                                             nullptr))
        return {};
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(buffer[2 * i] | buffer[2 * i + 1] << 8);
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

}  // namespace

// Windows has no device tree to point elsewhere: `roots` is not used.
std::optional<std::vector<TtyDevice>> GetPortsDeviceSet(const PortRoots&) {
    HDEVINFO set = PortsDeviceSet();
    if (set == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<TtyDevice> devices;
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!::SetupDiEnumDeviceInfo(set, index, &device)) break;
        const std::u16string name = PortName(set, device);
        if (name.rfind(u"COM", 0) != 0) continue;
        TtyDevice d;
        d.name = Utf8FromWide(WideFromU16(name));
        d.devicePath = "\\\\.\\" + d.name;
        d.identity = d.name;
        d.friendlyName = FriendlyName(set, device);
        devices.push_back(std::move(d));
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return devices;
}

// The bridges' latency timers are a driver setting on Windows, out of our reach.
std::optional<int> LatencyTimerMs(const PortRoots&, const std::string&) { return std::nullopt; }

}  // namespace tarn
