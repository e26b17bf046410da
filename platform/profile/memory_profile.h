#pragma once
// A profile held in memory only: for tests and for a run that must not touch the
// user's settings.
#include <mutex>

#include "platform/profile/ini_document.h"
#include "platform/profile/profile.h"

namespace tarn {

class MemoryProfile : public IProfile {
public:
    int GetProfileInt(std::u16string_view section, std::u16string_view entry,
                      int def) const override;
    bool WriteProfileInt(std::u16string_view section, std::u16string_view entry,
                         int value) override;
    std::u16string GetProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view def) const override;
    bool WriteProfileString(std::u16string_view section, std::u16string_view entry,
                            std::u16string_view value) override;
    std::vector<std::pair<std::u16string, std::u16string>> GetProfileSection(
        std::u16string_view section) const override;

private:
    mutable std::mutex m_mutex;
    IniDocument m_doc;
};

}  // namespace tarn
