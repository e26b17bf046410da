#pragma once
// The element tree of one compound file as it is held in memory: storages with
// their elements in the format's name order, streams with their bytes.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::cfb {

// Deepest nesting of storages below the root that is read or created; it keeps
// every walk over a tree short and bounded.
constexpr unsigned kMaxDepth = 256;

// The format's element order: shorter names first, names of one length by their
// upper-cased UTF-16 units. Names that compare equal are the same element.
int CompareNames(std::u16string_view a, std::u16string_view b);

struct NameLess {
    bool operator()(const std::u16string& a, const std::u16string& b) const {
        return CompareNames(a, b) < 0;
    }
};

// A name that may be created: 1 to 31 units, none of them '/', '\', ':' or '!'.
bool IsValidName(std::u16string_view name);

struct Node {
    bool storage = false;
    unsigned depth = 0;  // 0 for the root
    std::vector<uint8_t> data;
    std::map<std::u16string, std::shared_ptr<Node>, NameLess> children;
};

}  // namespace tarn::cfb
