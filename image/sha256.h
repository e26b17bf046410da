#pragma once
// SHA-256 of a byte string, for naming exactly which image a transfer used.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarn {

// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);
// The digest of a file's bytes; none when it cannot be read.
std::optional<std::string> Sha256OfFile(const std::filesystem::path& file);

}  // namespace tarn
