#pragma once
// The profile in the Windows registry, where the application's settings of the
// design live: HKEY_CURRENT_USER\Software\<registry key>\<application>\<section>,
// integers as REG_DWORD values and texts as REG_SZ values.
#include <string>

#include "platform/profile/profile.h"

namespace tarn {

class RegistryProfile : public IProfile {
public:
    RegistryProfile(std::u16string registryKey, std::u16string appName);

    int GetProfileInt(std::u16string_view section, std::u16string_view entry, int def) const override;
    bool WriteProfileInt(std::u16string_view section, std::u16string_view entry, int value) override;
    std::u16string GetProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view def) const override;
    bool WriteProfileString(std::u16string_view section, std::u16string_view entry,
                            std::u16string_view value) override;
    std::vector<std::pair<std::u16string, std::u16string>> GetProfileSection(
        std::u16string_view section) const override;

    // The key path below HKEY_CURRENT_USER of a section.
    std::u16string SectionKey(std::u16string_view section) const;
    // Removes the application's key with every section (a test's own profile).
    bool RemoveAll();

private:
    std::u16string m_appKey;
};

// The program file's base name (tarn for tarn.exe): the application's name in
// the registry, as the program has no title of its own.
std::u16string ProgramBaseName();

}  // namespace tarn
