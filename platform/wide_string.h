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
// carries: UTF-16 on Windows; here the bytes as given (UTF-8 as a rule, but a
// name that is not stays as it is).
std::filesystem::path FsPath(const std::u16string& text);
std::string Utf8Of(const std::filesystem::path& path);

}  // namespace tarn
