#include <random>
#include <string>

#include "platform/profile/registry_profile.h"
#include "tests/app_platform/system_profile.h"

namespace tarn::test {

namespace {

// The registry profile under an application key of this test's own, removed with it.
class TestRegistryProfile : public RegistryProfile {
public:
    using RegistryProfile::RegistryProfile;
    ~TestRegistryProfile() override { RemoveAll(); }
};

}  // namespace

std::unique_ptr<IProfile> SystemProfile() {
    const std::string app = "run-" + std::to_string(std::random_device()());
    return std::make_unique<TestRegistryProfile>(u"TarnToolkit tests", std::u16string(app.begin(), app.end()));
}

}  // namespace tarn::test
