#include "tests/app_platform/system_profile.h"

namespace tarn::test {

std::unique_ptr<IProfile> SystemProfile() { return nullptr; }

}  // namespace tarn::test
