#pragma once
// A file that takes the place of another only once it is whole on the disk.
// The new content goes to a fresh file in the target's directory; Commit
// flushes it, gives it the target's permissions and renames it over the
// target. Until then the target is untouched, and a file that is never
// committed is removed, so a full disk or a failed write never costs the
// copy that was there before.
#include <string>

namespace tarn {

class ReplacementFile {
public:
    // A target that is a symbolic link is replaced where the link points.
    explicit ReplacementFile(const std::string& utf8Target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Why the new file could not be made (a system error code); 0 when it is ready.
    int Error() const { return m_error; }
    // Where the new content is to be written.
    const std::string& Path() const { return m_path; }
    // 0, or the system error code of the step that failed; the target is then as it was.
    int Commit();

private:
    std::string m_target;
    std::string m_path;
    int m_error = 0;
    bool m_committed = false;
};

// The operating system's own words for a system error code ("No space left on device").
std::string OsErrorText(int error);

}  // namespace tarn
