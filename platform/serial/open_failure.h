#pragma once
// Why a serial port did not open, in words a technician can act on: a port
// that is not there, one that another program holds, one the user may not
// open (with the way to be allowed), or the system's own reason.
#include <string>

namespace tarn {

// `error` is the system error code SerialPort::Open left.
std::string DescribeOpenFailure(const std::string& devicePath, int error);

// True for the errors that mean the user lacks the rights to open the port.
bool IsPermissionError(int error);

// False when the file rights keep this user from opening the port for reading
// and writing; true otherwise (also when it does not exist: that is told apart
// when it is opened).
bool UserMayOpen(const std::string& devicePath);

}  // namespace tarn
