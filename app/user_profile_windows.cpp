#include <cstdlib>

#include "app/user_profile.h"
#include "platform/profile/ini_profile.h"
#include "platform/profile/registry_profile.h"

namespace tarn {

// The registry, under the key the application sets at start-up and the program
// file's base name; TARN_PROFILE still names an INI file instead (the tests').
std::unique_ptr<IProfile> OpenUserProfile() {
    if (const wchar_t* file = ::_wgetenv(L"TARN_PROFILE"); file && *file)
        return std::make_unique<IniProfile>(std::filesystem::path(file));
    return std::make_unique<RegistryProfile>(std::u16string(kProfileRegistryKey), ProgramBaseName());
}

}  // namespace tarn
