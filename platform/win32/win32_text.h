#pragma once
// Texts at the Win32 boundary: the wide strings every W call takes, converted
// from and to the UTF-8 and UTF-16 strings the rest of the system carries, and
// the system's own words for an error code.
#include <filesystem>
#include <string>

namespace tarn {

std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const std::wstring& wide);
// UTF-16 kept as char16_t and as wchar_t are the same code units on Windows.
std::wstring WideFromU16(const std::u16string& text);
std::u16string U16FromWide(const std::wstring& wide);

// FormatMessageW's text for a GetLastError code, in UTF-8 and without the
// trailing line break; "error N" when the system has no text for it.
std::string Win32ErrorText(unsigned long error);

}  // namespace tarn
