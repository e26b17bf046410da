#pragma once
// Application profile: named sections of keyed settings that outlive a run, as
// the dialogs and the console front end keep them (the remembered port and
// station, the port-number table). Kept behind this interface so that a dialog
// can be given an in-memory profile.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn {

// Section and key names compare without regard to ASCII case.
class IProfile {
public:
    virtual ~IProfile() = default;

    // The integer stored under the key; def when it is missing or is not a whole
    // decimal number that fits an int.
    virtual int GetProfileInt(std::u16string_view section, std::u16string_view entry,
                              int def) const = 0;
    virtual bool WriteProfileInt(std::u16string_view section, std::u16string_view entry,
                                 int value) = 0;
    // The text stored under the key, exactly as written; def when it is missing.
    virtual std::u16string GetProfileString(std::u16string_view section, std::u16string_view entry,
                                            std::u16string_view def) const = 0;
    // Returns false when the setting could not be kept (a name that cannot be
    // stored, or a file that cannot be written); the profile is then unchanged.
    virtual bool WriteProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view value) = 0;
    // Every key of a section with its text, in stored order.
    virtual std::vector<std::pair<std::u16string, std::u16string>> GetProfileSection(
        std::u16string_view section) const = 0;
};

// The profile's place: the registry key set at start-up and the application's name.
inline constexpr std::u16string_view kProfileRegistryKey =
    u"\u672c\u6a5f AppWizard \u6240\u7522\u751f\u7684\u61c9\u7528\u7a0b\u5f0f";
inline constexpr std::u16string_view kProfileAppName = u"TarnToolkit";

// The connection's remembered settings.
inline constexpr std::u16string_view kSectionComm = u"ROZ_COMM";
inline constexpr std::u16string_view kKeyComPortSel = u"ComPortSel";
inline constexpr int kDefaultComPortSel = 4;
inline constexpr std::u16string_view kKeyStation = u"Station";
inline constexpr std::u16string_view kDefaultStation = u"0x7F";

}  // namespace tarn
