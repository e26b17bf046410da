#pragma once
// The profile the system keeps of its own beside the INI file, in a place of
// the test's own that goes with it: a registry key on Windows; none on Linux.
#include <memory>

#include "platform/profile/profile.h"

namespace tarn::test {

std::unique_ptr<IProfile> SystemProfile();

}  // namespace tarn::test
