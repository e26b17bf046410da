#pragma once
// Request and reply traces that block exchanges leave in the link's last message.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn {

// Each byte as "%02X " (RTU), at most 66 bytes, so at most 198 characters.
std::u16string HexTrace(const uint8_t* bytes, size_t size);

// The bytes as text, carriage returns shown as "\CR" and line feeds as "\LF";
// at most 199 characters.
std::u16string TextTrace(const uint8_t* bytes, size_t size);

}  // namespace tarn
