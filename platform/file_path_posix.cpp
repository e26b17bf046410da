#include "platform/wide_string.h"

namespace tarn {

// The texts keep a name's bytes, UTF-8 or not, and so does the path.
std::filesystem::path FsPath(const std::u16string& text) { return std::filesystem::path(ToUtf8(text)); }

std::string Utf8Of(const std::filesystem::path& path) { return path.string(); }

}  // namespace tarn
