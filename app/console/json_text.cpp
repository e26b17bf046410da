#include "app/console/json_text.h"

namespace tarn::console {

namespace {

// The length of the UTF-8 character at `i`, or 0 when the bytes there are none.
size_t CharacterLength(const std::string& s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80) return 1;
    size_t len = 0;
    char32_t cp = 0;
    if ((b & 0xE0) == 0xC0) len = 2, cp = b & 0x1F;
    else if ((b & 0xF0) == 0xE0) len = 3, cp = b & 0x0F;
    else if ((b & 0xF8) == 0xF0) len = 4, cp = b & 0x07;
    else return 0;
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
    return len;
}

void Escape(nlohmann::ordered_json& value) {
    if (value.is_string()) {
        value = Utf8Escaped(value.get_ref<const std::string&>());
    } else if (value.is_object()) {
        nlohmann::ordered_json escaped = nlohmann::ordered_json::object();
        for (auto& [key, item] : value.items()) {
            Escape(item);
            escaped[Utf8Escaped(key)] = std::move(item);
        }
        value = std::move(escaped);
    } else if (value.is_array()) {
        for (auto& item : value) Escape(item);
    }
}

}  // namespace

nlohmann::ordered_json FailureDocument(const nlohmann::ordered_json& shape, const std::string& reason) {
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    for (const auto& [key, value] : shape.items()) document[key] = nullptr;
    document["error"] = reason;
    return document;
}

std::string Utf8Escaped(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        if (const size_t len = CharacterLength(bytes, i)) {
            out.append(bytes, i, len);
            i += len;
            continue;
        }
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(bytes[i++]));
        out += hex;
    }
    return out;
}

std::string JsonText(const nlohmann::ordered_json& document, int indent) {
    nlohmann::ordered_json copy = document;
    Escape(copy);
    return copy.dump(indent);
}

}  // namespace tarn::console
