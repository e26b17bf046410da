// The INI profile's place under the user's configuration directory on Linux.
#include <gtest/gtest.h>

#include <optional>

#include "platform/profile/ini_profile.h"
#include "platform/wide_string.h"

namespace fs = std::filesystem;

namespace tarn {
namespace {

// Sets an environment variable for one scope.
struct EnvVar {
    EnvVar(const char* name, const char* value) : name(name) {
        if (const char* was = ::getenv(name)) old = was;
        ::setenv(name, value, 1);
    }
    ~EnvVar() { old ? ::setenv(name, old->c_str(), 1) : ::unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
};

TEST(IniProfile, LivesUnderTheUsersConfigurationDirectory) {
    EnvVar home("HOME", "/home/op");
    {
        EnvVar xdg("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(DefaultProfilePath(),
                  fs::path("/cfg") / ToUtf8(kProfileRegistryKey) / "TarnToolkit.ini");
        EXPECT_EQ(DefaultProfilePath(u"a/b", u".."), fs::path("/cfg/a_b/_.ini"));
    }
    EnvVar relative("XDG_CONFIG_HOME", "cfg");  // not absolute: ignored
    EXPECT_EQ(DefaultProfilePath(u"Key", u"App"), fs::path("/home/op/.config/Key/App.ini"));
}

}  // namespace
}  // namespace tarn
