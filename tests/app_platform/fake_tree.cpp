#include "tests/app_platform/fake_tree.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace tarn::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tarn-app-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

void WriteText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

FakeTree::FakeTree() {
    m_roots.sysRoot = m_dir.Path() / "sys";
    m_roots.devRoot = m_dir.Path() / "dev";
    fs::create_directories(m_roots.sysRoot / "class" / "tty");
    fs::create_directories(m_roots.devRoot);
}

void FakeTree::AddClassEntry(const std::string& tty, const fs::path& ttyDir) {
    fs::create_directories(ttyDir);
    fs::create_directory_symlink(fs::relative(ttyDir, Sys() / "class" / "tty"),
                                 Sys() / "class" / "tty" / tty);
    WriteText(m_roots.devRoot / tty, "");
}

void FakeTree::AddUsbTty(const std::string& tty, const std::string& usbDevice,
                         const std::string& idVendor, const std::string& manufacturer,
                         const std::string& product, const std::string& byId) {
    const fs::path usb = Sys() / "devices/pci0000:00/0000:00:14.0/usb1" / usbDevice;
    WriteText(usb / "idVendor", idVendor + "\n");
    if (!manufacturer.empty()) WriteText(usb / "manufacturer", manufacturer + "\n");
    if (!product.empty()) WriteText(usb / "product", product + "\n");
    // usb-serial: the port device sits below the interface, the tty below the port.
    const fs::path port = usb / (usbDevice + ":1.0") / tty;
    const fs::path ttyDir = port / "tty" / tty;
    AddClassEntry(tty, ttyDir);
    fs::create_directory_symlink(fs::relative(port, ttyDir), ttyDir / "device");
    if (!byId.empty()) {
        fs::create_directories(m_roots.devRoot / "serial" / "by-id");
        fs::create_symlink("../../" + tty, m_roots.devRoot / "serial" / "by-id" / byId);
    }
}

void FakeTree::AddBoardTty(const std::string& tty, int type) {
    const fs::path device = Sys() / "devices/pnp0/00:0" / tty;
    const fs::path ttyDir = device / "tty" / tty;
    AddClassEntry(tty, ttyDir);
    fs::create_directory_symlink(fs::relative(device, ttyDir), ttyDir / "device");
    WriteText(ttyDir / "type", std::to_string(type) + "\n");
}

void FakeTree::AddVirtualTty(const std::string& tty) {
    AddClassEntry(tty, Sys() / "devices/virtual/tty" / tty);
}

void FakeTree::Remove(const std::string& tty, const std::string& byId) {
    fs::remove(Sys() / "class" / "tty" / tty);
    fs::remove(m_roots.devRoot / tty);
    if (!byId.empty()) fs::remove(m_roots.devRoot / "serial" / "by-id" / byId);
}

}  // namespace tarn::test
