#pragma once
// A private directory for one test, removed with everything in it, and a fake
// sysfs and /dev inside it laid out as the kernel lays out tty devices.
#include <filesystem>
#include <string>

#include "platform/ports/tty_devices.h"

namespace tarn::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

void WriteText(const std::filesystem::path& file, const std::string& text);
std::string ReadText(const std::filesystem::path& file);

class FakeTree {
public:
    FakeTree();
    const PortRoots& Roots() const { return m_roots; }

    // A USB-to-serial bridge: usb device directory `usbDevice` (such as "1-2") with
    // the given strings (an empty one is left out), its tty under interface 0, and
    // a /dev/serial/by-id link when byId is not empty.
    void AddUsbTty(const std::string& tty, const std::string& usbDevice,
                   const std::string& idVendor, const std::string& manufacturer,
                   const std::string& product, const std::string& byId);
    // A motherboard port; type 0 is the kernel's placeholder without a UART.
    void AddBoardTty(const std::string& tty, int type);
    // A virtual console: in the tty class, no device behind it.
    void AddVirtualTty(const std::string& tty);
    // Unplugs: the tty leaves the class and /dev, its by-id link goes too.
    void Remove(const std::string& tty, const std::string& byId);
    std::filesystem::path Sys() const { return m_roots.sysRoot; }

private:
    void AddClassEntry(const std::string& tty, const std::filesystem::path& ttyDir);

    TempDir m_dir;
    PortRoots m_roots;
};

}  // namespace tarn::test
