#include "platform/serial/open_failure.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarn {

bool IsPermissionError(int error) { return error == EACCES || error == EPERM; }

bool UserMayOpen(const std::string& devicePath) {
    // The effective ids decide, as they do for open().
    return ::faccessat(AT_FDCWD, devicePath.c_str(), R_OK | W_OK, AT_EACCESS) == 0 ||
           !IsPermissionError(errno);
}

std::string DescribeOpenFailure(const std::string& devicePath, int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return "There is no port " + devicePath + " (is the USB bridge plugged in?)";
        case EBUSY:
            return "The port " + devicePath + " is in use by another program";
        case EACCES:
        case EPERM:
            // Serial devices belong to the group dialout on Debian; a new group
            // membership counts from the next login.
            return "No permission to open " + devicePath +
                   ": add your user to the group dialout (sudo adduser $USER dialout), then log out and"
                   " in again";
        case ENOTTY:
            return devicePath + " is not a serial port";
        default:
            return devicePath + ": " + std::strerror(error);
    }
}

}  // namespace tarn
