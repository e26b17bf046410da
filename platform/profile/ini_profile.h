#pragma once
// The profile as an INI file of the user's own. Every read takes the file as it is
// on disk now, so the desktop tool and the console command see each other's
// settings. Every write replaces the file whole and atomically: a temporary file
// in the same directory, flushed to disk, renamed over the old one, while an
// advisory lock on the directory keeps two writers from losing each other's keys.
// A missing, unreadable or damaged file reads as defaults.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>

#include "platform/profile/ini_document.h"
#include "platform/profile/profile.h"

namespace tarn {

class IniProfile : public IProfile {
public:
    // Files larger than this are not profiles; they read as empty.
    static constexpr size_t kMaxFileSize = 1 << 20;

    explicit IniProfile(std::filesystem::path file);

    const std::filesystem::path& Path() const { return m_path; }

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
    // Held while a writer reads, changes and replaces the file; kept apart from
    // writers in other processes as the system allows.
    class WriterLock {
    public:
        explicit WriterLock(const std::filesystem::path& file);
        ~WriterLock();
        WriterLock(const WriterLock&) = delete;
        WriterLock& operator=(const WriterLock&) = delete;
        bool Held() const { return m_held; }

    private:
        intptr_t m_handle = -1;  // a descriptor, or a Windows HANDLE
        bool m_held = false;
    };

    std::filesystem::path Directory() const;
    IniDocument Load() const;
    bool Store(const IniDocument& doc) const;

    std::filesystem::path m_path;
    mutable std::mutex m_mutex;
};

// The user's profile: <configuration directory>/<key>/<application>.ini, where the
// configuration directory is $XDG_CONFIG_HOME when it is an absolute path, else
// ~/.config. Characters that a file name cannot hold are replaced by '_'. Empty
// when no home directory can be found.
std::filesystem::path DefaultProfilePath(std::u16string_view registryKey = kProfileRegistryKey,
                                         std::u16string_view appName = kProfileAppName);

}  // namespace tarn
