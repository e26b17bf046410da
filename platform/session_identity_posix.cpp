#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/session_identity.h"

namespace tarn {

std::string CurrentUserName() {
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name) return entry->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

std::string CurrentHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}

}  // namespace tarn
