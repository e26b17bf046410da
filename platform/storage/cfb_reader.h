#pragma once
// Reads the bytes of a compound file (version 3 or 4) into an element tree.
// Files come from users and other machines, so nothing in them is trusted:
// every malformed file gives a failing HRESULT, and what is allocated is bounded
// by the file's own size.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/hresult.h"
#include "platform/storage/cfb_tree.h"

namespace tarn::cfb {

// Largest compound file that is read; images are tens of kilobytes.
constexpr uint64_t kMaxFileSize = uint64_t{256} << 20;

bool HasSignature(const uint8_t* bytes, uint64_t size);

// STG_E_INVALIDHEADER for a file that is no compound file or has a header this
// reader cannot take, STG_E_DOCFILECORRUPT for broken structures.
HRESULT ReadCompoundFile(std::vector<uint8_t> file, std::shared_ptr<Node>* root);

}  // namespace tarn::cfb
