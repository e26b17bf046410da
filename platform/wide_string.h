#pragma once
// Texts are UTF-16 strings with value semantics; UTF-8 only at the edges
// (terminal, GUI toolkit, file names).
#include <filesystem>
#include <string>
#include <string_view>

namespace tarn {

// Widens an 8-bit message constant. Message constants are ASCII.
std::u16string Widen(std::string_view ascii);

// Formats like snprintf into an 8-bit buffer, then widens the result.
std::u16string WidenFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// Paths as the file system takes them, from and to the texts the system
// carries: UTF-16 on Windows, bytes (UTF-8 as a rule) here.
inline std::filesystem::path FsPath(const std::u16string& text) { return std::filesystem::path(text); }
inline std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace tarn
