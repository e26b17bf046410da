#include "platform/wide_string.h"

namespace tarn {

std::filesystem::path FsPath(const std::u16string& text) { return std::filesystem::path(text); }

std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace tarn
