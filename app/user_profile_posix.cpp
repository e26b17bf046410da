#include "app/user_profile.h"

#include <cstdlib>

#include "platform/profile/ini_profile.h"
#include "platform/profile/memory_profile.h"

namespace tarn {

std::unique_ptr<IProfile> OpenUserProfile() {
    if (const char* file = std::getenv("TARN_PROFILE"); file && *file) return std::make_unique<IniProfile>(file);
    const std::filesystem::path path = DefaultProfilePath();
    if (path.empty()) return std::make_unique<MemoryProfile>();
    return std::make_unique<IniProfile>(path);
}

}  // namespace tarn
