#include "fuzz/config_input.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "platform/profile/ini_document.h"
#include "platform/wide_string.h"
#include "sim/drive_description.h"
#include "sim/drive_state.h"
#include "sim/servo_drive.h"

namespace tarn::fuzz {

namespace {

void FeedProfile(std::string_view text) {
    const IniDocument doc = IniDocument::Parse(text);
    const std::string once = doc.Serialise();
    Require(IniDocument::Parse(once).Serialise() == once, "a profile does not write back as it was read");
    ParseProfileInt(FromUtf8(text.substr(0, 64)), 4);

    // The input's first line as a value, its second as a key name.
    const size_t firstEnd = text.find('\n');
    const std::u16string value = FromUtf8(text.substr(0, firstEnd));
    std::u16string key = u"Station";
    if (firstEnd != std::string_view::npos) {
        std::string_view rest = text.substr(firstEnd + 1);
        const std::u16string named = FromUtf8(rest.substr(0, rest.find('\n')));
        if (IniDocument::IsValidKeyName(named)) key = named;
    }
    IniDocument changed = doc;
    Require(changed.Set(u"ROZ_COMM", key, value), "a valid key is refused");
    const auto back = IniDocument::Parse(changed.Serialise()).Find(u"ROZ_COMM", key);
    Require(back && *back == value, "a value set does not read back");
}

void FeedDriveDescription(const std::string& text) {
    sim::DriveDescription description;
    try {
        description = sim::DriveDescription::FromJson(text);
    } catch (const std::runtime_error&) {
        return;  // refused, with a reason
    }
    const std::string saved = sim::ToJson(sim::SnapshotOf(sim::ServoDrive(description)));
    sim::DriveDescription reloaded;
    try {
        reloaded = sim::DriveDescription::FromJson(saved);
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        Require(false, "a saved drive does not load");
    }
    Require(sim::ToJson(sim::SnapshotOf(sim::ServoDrive(reloaded))) == saved,
            "a saved drive loads back as another drive");
}

}  // namespace

void FeedConfigInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    FeedProfile(text);
    FeedDriveDescription(text);
}

}  // namespace tarn::fuzz
