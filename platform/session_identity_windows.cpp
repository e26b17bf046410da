#include <windows.h>

#include "platform/session_identity.h"
#include "platform/win32/win32_text.h"

namespace tarn {

std::string CurrentUserName() {
    wchar_t name[256] = {};
    DWORD size = 256;
    return ::GetUserNameW(name, &size) ? Utf8FromWide(name) : std::string();
}

std::string CurrentHostName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &size) ? Utf8FromWide(name) : std::string();
}

}  // namespace tarn
