#pragma once
// Writes an element tree as a version 3 compound file (512-byte sectors).
#include <cstdint>
#include <vector>

#include "platform/hresult.h"
#include "platform/storage/cfb_tree.h"

namespace tarn::cfb {

HRESULT WriteCompoundFile(const Node& root, std::vector<uint8_t>* out);

}  // namespace tarn::cfb
