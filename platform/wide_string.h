#pragma once
// Texts are UTF-16 strings with value semantics; UTF-8 only at the edges
// (terminal, GUI toolkit, file names).
#include <string>
#include <string_view>

namespace tarn {

// Widens an 8-bit message constant. Message constants are ASCII.
std::u16string Widen(std::string_view ascii);

// Formats like snprintf into an 8-bit buffer, then widens the result.
std::u16string WidenFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace tarn
