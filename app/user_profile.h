#pragma once
// The user's profile, shared by the desktop tool and the `tarn` command: the INI
// file under the user's configuration directory (the registry on Windows), or
// the file that TARN_PROFILE names; a profile in memory when there is no home
// directory to keep it in.
#include <memory>

#include "platform/profile/profile.h"

namespace tarn {

std::unique_ptr<IProfile> OpenUserProfile();

}  // namespace tarn
