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

// "CMD : <request>\nIN  : <reply>\n" in one of the notations above.
std::u16string ExchangeTrace(std::u16string (*notation)(const uint8_t*, size_t), const uint8_t* request,
                             size_t requestSize, const uint8_t* reply, size_t replySize);

}  // namespace tarn
