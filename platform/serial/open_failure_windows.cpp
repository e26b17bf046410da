#include <windows.h>

#include "platform/serial/open_failure.h"
#include "platform/win32/win32_text.h"

namespace tarn {

namespace {

// "\\.\COM7" reads as COM7 to the user.
std::string ShownName(const std::string& devicePath) {
    return devicePath.rfind("\\\\.\\", 0) == 0 ? devicePath.substr(4) : devicePath;
}

}  // namespace

// Windows gives serial ports no per-user rights: whoever may log on may open them.
bool IsPermissionError(int) { return false; }

bool UserMayOpen(const std::string&) { return true; }

std::string DescribeOpenFailure(const std::string& devicePath, int error) {
    const std::string name = ShownName(devicePath);
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "There is no port " + name + " (is the USB bridge plugged in?)";
        case ERROR_ACCESS_DENIED:  // what a COM port held by another program gives
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return "The port " + name + " is in use by another program";
        default:
            return name + ": " + Win32ErrorText(static_cast<unsigned long>(error));
    }
}

}  // namespace tarn
