#pragma once
// A fake sysfs and /dev in a private directory, laid out as the kernel lays out
// tty devices.
#include "platform/ports/tty_devices.h"
#include "tests/image/test_files.h"

namespace tarn::test {

class FakeTree {
public:
    FakeTree() : m_roots{m_dir.path() / "sys", m_dir.path() / "dev"} {
        std::filesystem::create_directories(m_roots.sysRoot / "class" / "tty");
        std::filesystem::create_directories(m_roots.devRoot);
    }
    const PortRoots& Roots() const { return m_roots; }

    // A USB-to-serial bridge: usb device directory `usbDevice` (such as "1-2") with
    // the given strings (an empty one is left out), its tty under interface 0, and
    // a /dev/serial/by-id link when byId is not empty.
    void AddUsbTty(const std::string& tty, const std::string& usbDevice,
                   const std::string& idVendor, const std::string& manufacturer,
                   const std::string& product, const std::string& byId = "") {
        const auto usb = m_roots.sysRoot / "devices/pci0000:00/0000:00:14.0/usb1" / usbDevice;
        WriteFileBytes(usb / "idVendor", idVendor + "\n");
        if (!manufacturer.empty()) WriteFileBytes(usb / "manufacturer", manufacturer + "\n");
        if (!product.empty()) WriteFileBytes(usb / "product", product + "\n");
        // usb-serial: the port device sits below the interface, the tty below the port.
        AddTty(tty, usb / (usbDevice + ":1.0") / tty);
        if (!byId.empty()) {
            std::filesystem::create_directories(m_roots.devRoot / "serial/by-id");
            std::filesystem::create_symlink("../../" + tty,
                                            m_roots.devRoot / "serial/by-id" / byId);
        }
    }
    // A motherboard port; type 0 is the kernel's placeholder without a UART.
    void AddBoardTty(const std::string& tty, int type) {
        const auto device = m_roots.sysRoot / "devices/pnp0/00:0" / tty;
        AddTty(tty, device);
        WriteFileBytes(device / "tty" / tty / "type", std::to_string(type) + "\n");
    }
    // A virtual console: in the tty class, no device behind it.
    void AddVirtualTty(const std::string& tty) { AddTty(tty, {}); }
    // Unplugs: the tty leaves the class and /dev, its by-id link goes too.
    void Remove(const std::string& tty, const std::string& byId = "") {
        std::filesystem::remove(m_roots.sysRoot / "class/tty" / tty);
        std::filesystem::remove(m_roots.devRoot / tty);
        if (!byId.empty()) std::filesystem::remove(m_roots.devRoot / "serial/by-id" / byId);
    }

private:
    // The tty's directory below its device, linked from the class with a "device"
    // link back up; a virtual tty has no device.
    void AddTty(const std::string& tty, const std::filesystem::path& device) {
        namespace fs = std::filesystem;
        const fs::path dir =
            device.empty() ? m_roots.sysRoot / "devices/virtual/tty" / tty : device / "tty" / tty;
        fs::create_directories(dir);
        fs::create_directory_symlink(fs::relative(dir, m_roots.sysRoot / "class/tty"),
                                     m_roots.sysRoot / "class/tty" / tty);
        if (!device.empty())
            fs::create_directory_symlink(fs::relative(device, dir), dir / "device");
        WriteFileBytes(m_roots.devRoot / tty, std::string());
    }

    TempDir m_dir;
    PortRoots m_roots;
};

}  // namespace tarn::test
