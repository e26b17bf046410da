#pragma once
// A result document as text. File names on Linux are bytes and need not be
// UTF-8; JSON text must be. Each byte that is not part of a UTF-8 character
// is written as the four characters \xNN (in JSON: "\\xNN"), so a document
// always prints and still tells the bytes apart.
#include <nlohmann/json.hpp>
#include <string>

namespace tarn::console {

std::string JsonText(const nlohmann::ordered_json& document, int indent = 2);

// What a command prints with --json when it fails: the top-level keys of its
// document on success (`shape`), each null, and the reason under "error".
// Scripts read one shape whichever way the command ended.
nlohmann::ordered_json FailureDocument(const nlohmann::ordered_json& shape, const std::string& reason);

// The same escaping for one string.
std::string Utf8Escaped(const std::string& bytes);

}  // namespace tarn::console
