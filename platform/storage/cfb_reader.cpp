#include "platform/storage/cfb_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/storage/cfb_format.h"

namespace tarn::cfb {
namespace {

struct DirEntry {
    std::u16string name;
    uint8_t type = kTypeUnused;
    uint32_t left = kNoStream;
    uint32_t right = kNoStream;
    uint32_t child = kNoStream;
    uint32_t start = kEndOfChain;
    uint64_t size = 0;
};

uint64_t CeilDiv(uint64_t a, uint64_t b) {
    return a / b + (a % b != 0);
}

class Reader {
public:
    explicit Reader(std::vector<uint8_t> file) : m_file(std::move(file)) {}

    HRESULT Run(std::shared_ptr<Node>* root) {
        HRESULT hr = ReadHeader();
        if (FAILED(hr)) return hr;
        if (FAILED(hr = ReadFat())) return hr;
        if (FAILED(hr = ReadDirectory())) return hr;
        if (FAILED(hr = ReadMiniStream())) return hr;
        return BuildTree(root);
    }

private:
    const uint8_t* Sector(uint32_t s) const {
        return m_file.data() + (static_cast<uint64_t>(s) + 1) * m_sectorSize;
    }

    HRESULT ReadHeader() {
        if (!HasSignature(m_file.data(), m_file.size())) return STG_E_INVALIDHEADER;
        const uint8_t* h = m_file.data();
        uint16_t major = Get16(h + kHdrMajorVersion);
        uint16_t shift = Get16(h + kHdrSectorShift);
        if (Get16(h + kHdrByteOrder) != kByteOrderMark) return STG_E_INVALIDHEADER;
        if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)))
            return STG_E_INVALIDHEADER;
        if (Get16(h + kHdrMiniSectorShift) != kMiniSectorShift) return STG_E_INVALIDHEADER;
        if (Get32(h + kHdrMiniCutoff) != kMiniStreamCutoff) return STG_E_INVALIDHEADER;
        m_v4 = major == 4;
        m_sectorSize = 1u << shift;
        m_entriesPerSector = m_sectorSize / 4;
        // A last sector cut short reads as if padded with zeros; a file shorter than
        // its header sector has no sectors at all.
        uint64_t whole = CeilDiv(m_file.size(), m_sectorSize);
        m_sectorCount = whole > 0 ? whole - 1 : 0;
        if (m_sectorCount >= kMaxRegSect) return STG_E_DOCFILECORRUPT;
        try {
            m_file.resize((m_sectorCount + 1) * m_sectorSize, 0);
            m_used.assign(m_sectorCount, false);
        } catch (const std::bad_alloc&) {
            return STG_E_INSUFFICIENTMEMORY;
        }
        return S_OK;
    }

    // Takes sector s for one structure; a sector out of range or taken before
    // (a cycle, or two structures sharing it) is corruption.
    bool Claim(uint32_t s) {
        if (s >= m_sectorCount || m_used[s]) return false;
        m_used[s] = true;
        return true;
    }

    HRESULT ReadFat() {
        const uint8_t* h = m_file.data();
        uint32_t fatCount = Get32(h + kHdrNumFatSectors);
        uint32_t difatCount = Get32(h + kHdrNumDifatSectors);
        if (fatCount > m_sectorCount || difatCount > m_sectorCount) return STG_E_DOCFILECORRUPT;
        uint32_t perDifat = m_entriesPerSector - 1;
        uint64_t needDifat =
            fatCount > kHeaderDifatEntries ? CeilDiv(fatCount - kHeaderDifatEntries, perDifat) : 0;
        if (difatCount < needDifat) return STG_E_DOCFILECORRUPT;

        std::vector<uint32_t> fatSectors;
        fatSectors.reserve(fatCount);
        for (size_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatCount; ++i) {
            fatSectors.push_back(Get32(h + kHdrDifat + 4 * i));
        }
        uint32_t difat = Get32(h + kHdrFirstDifatSector);
        for (uint64_t n = 0; n < needDifat; ++n) {
            if (!Claim(difat)) return STG_E_DOCFILECORRUPT;
            const uint8_t* d = Sector(difat);
            for (uint32_t i = 0; i < perDifat && fatSectors.size() < fatCount; ++i) {
                fatSectors.push_back(Get32(d + 4 * i));
            }
            difat = Get32(d + 4 * perDifat);
        }
        m_fat.resize(static_cast<size_t>(fatCount) * m_entriesPerSector);
        for (size_t i = 0; i < fatSectors.size(); ++i) {
            if (!Claim(fatSectors[i])) return STG_E_DOCFILECORRUPT;
            const uint8_t* f = Sector(fatSectors[i]);
            for (uint32_t j = 0; j < m_entriesPerSector; ++j)
                m_fat[i * m_entriesPerSector + j] = Get32(f + 4 * j);
        }
        return S_OK;
    }

    // Follows a chain of the FAT from start. With want 0 the whole chain is taken.
    // With want > 0 the chain must have want sectors: exactly that many when exact,
    // at least that many otherwise (and only those are taken).
    HRESULT Chain(uint32_t start, uint64_t want, bool exact, std::vector<uint32_t>* out) {
        out->clear();
        uint32_t s = start;
        while (want == 0 || out->size() < want) {
            if (s == kEndOfChain) break;
            if (s >= m_fat.size() || !Claim(s)) return STG_E_DOCFILECORRUPT;
            out->push_back(s);
            s = m_fat[s];
        }
        if (out->size() < want || (exact && s != kEndOfChain)) return STG_E_DOCFILECORRUPT;
        return S_OK;
    }

    HRESULT ReadDirectory() {
        std::vector<uint32_t> sectors;
        HRESULT hr = Chain(Get32(m_file.data() + kHdrFirstDirSector), 0, false, &sectors);
        if (FAILED(hr)) return hr;
        size_t perSector = m_sectorSize / kDirEntrySize;
        m_entries.resize(sectors.size() * perSector);
        for (size_t i = 0; i < m_entries.size(); ++i) {
            const uint8_t* e = Sector(sectors[i / perSector]) + (i % perSector) * kDirEntrySize;
            DirEntry& d = m_entries[i];
            d.type = e[kDeType];
            if (d.type == kTypeUnused) continue;
            if (d.type != kTypeStorage && d.type != kTypeStream && d.type != kTypeRoot)
                return STG_E_DOCFILECORRUPT;
            uint16_t nameBytes = Get16(e + kDeNameLength);
            if (nameBytes > 64 || nameBytes % 2 != 0 || nameBytes < 2) return STG_E_DOCFILECORRUPT;
            for (size_t u = 0; u + 1 < nameBytes / 2u; ++u) {
                char16_t c = Get16(e + kDeName + 2 * u);
                if (c == 0) break;
                d.name.push_back(c);
            }
            d.left = Get32(e + kDeLeft);
            d.right = Get32(e + kDeRight);
            d.child = Get32(e + kDeChild);
            d.start = Get32(e + kDeStart);
            // Version 3 files may carry anything in the size's upper half.
            d.size = m_v4 ? Get64(e + kDeSize) : Get32(e + kDeSize);
        }
        if (m_entries.empty() || m_entries[0].type != kTypeRoot) return STG_E_DOCFILECORRUPT;
        return S_OK;
    }

    HRESULT ReadMiniStream() {
        const DirEntry& root = m_entries[0];
        if (root.size == 0) return S_OK;
        uint64_t want = CeilDiv(root.size, m_sectorSize);
        if (want > m_sectorCount) return STG_E_DOCFILECORRUPT;
        // Writers may leave the mini stream's chain longer than the root's size says.
        std::vector<uint32_t> sectors;
        HRESULT hr = Chain(root.start, want, false, &sectors);
        if (FAILED(hr)) return hr;
        m_miniStream.resize(root.size);
        for (size_t i = 0; i < sectors.size(); ++i) {
            size_t off = i * m_sectorSize;
            std::memcpy(m_miniStream.data() + off, Sector(sectors[i]),
                        std::min<size_t>(m_sectorSize, root.size - off));
        }
        m_miniSectorCount = CeilDiv(root.size, kMiniSectorSize);
        m_miniUsed.assign(m_miniSectorCount, false);

        // The mini FAT must have an entry for every mini sector of the mini stream.
        if (FAILED(hr = Chain(Get32(m_file.data() + kHdrFirstMiniFatSector), 0, false, &sectors)))
            return hr;
        if (static_cast<uint64_t>(sectors.size()) * m_entriesPerSector < m_miniSectorCount)
            return STG_E_DOCFILECORRUPT;
        m_miniFat.resize(m_miniSectorCount);
        for (size_t i = 0; i < m_miniFat.size(); ++i) {
            m_miniFat[i] =
                Get32(Sector(sectors[i / m_entriesPerSector]) + 4 * (i % m_entriesPerSector));
        }
        return S_OK;
    }

    HRESULT ReadStream(const DirEntry& e, std::vector<uint8_t>* data) {
        if (e.size == 0) return S_OK;
        if (e.size < kMiniStreamCutoff) {
            uint64_t want = CeilDiv(e.size, kMiniSectorSize);
            if (want > m_miniSectorCount) return STG_E_DOCFILECORRUPT;
            data->resize(e.size);
            uint32_t s = e.start;
            for (uint64_t i = 0; i < want; ++i) {
                if (s >= m_miniSectorCount || m_miniUsed[s]) return STG_E_DOCFILECORRUPT;
                m_miniUsed[s] = true;
                size_t off = i * kMiniSectorSize;
                size_t n = std::min<uint64_t>(kMiniSectorSize, e.size - off);
                // The mini stream's last sector may be cut short by the root's size.
                size_t have =
                    std::min<uint64_t>(n, m_miniStream.size() - uint64_t{s} * kMiniSectorSize);
                std::memcpy(data->data() + off, m_miniStream.data() + uint64_t{s} * kMiniSectorSize,
                            have);
                s = m_miniFat[s];
            }
            return s == kEndOfChain ? S_OK : STG_E_DOCFILECORRUPT;
        }
        uint64_t want = CeilDiv(e.size, m_sectorSize);
        if (want > m_sectorCount) return STG_E_DOCFILECORRUPT;
        std::vector<uint32_t> sectors;
        HRESULT hr = Chain(e.start, want, true, &sectors);
        if (FAILED(hr)) return hr;
        data->resize(e.size);
        for (size_t i = 0; i < sectors.size(); ++i) {
            size_t off = i * m_sectorSize;
            std::memcpy(data->data() + off, Sector(sectors[i]),
                        std::min<uint64_t>(m_sectorSize, e.size - off));
        }
        return S_OK;
    }

    // Walks the directory with explicit work lists: one of storages still to fill,
    // and per storage one of sibling-tree entries still to visit. Each entry may be
    // reached once only, which rules out cycles and shared subtrees.
    HRESULT BuildTree(std::shared_ptr<Node>* out) {
        std::vector<bool> seen(m_entries.size(), false);
        seen[0] = true;
        auto root = std::make_shared<Node>();
        root->storage = true;
        std::vector<std::pair<uint32_t, Node*>> storages{{0u, root.get()}};
        std::vector<uint32_t> siblings;
        while (!storages.empty()) {
            auto [id, parent] = storages.back();
            storages.pop_back();
            siblings.assign(1, m_entries[id].child);
            while (!siblings.empty()) {
                uint32_t s = siblings.back();
                siblings.pop_back();
                if (s == kNoStream) continue;
                if (s >= m_entries.size() || seen[s]) return STG_E_DOCFILECORRUPT;
                seen[s] = true;
                const DirEntry& e = m_entries[s];
                if (e.type != kTypeStorage && e.type != kTypeStream) return STG_E_DOCFILECORRUPT;
                if (e.name.empty()) return STG_E_DOCFILECORRUPT;
                siblings.push_back(e.left);
                siblings.push_back(e.right);
                auto node = std::make_shared<Node>();
                node->depth = parent->depth + 1;
                if (e.type == kTypeStorage) {
                    if (node->depth > kMaxDepth) return STG_E_DOCFILECORRUPT;
                    node->storage = true;
                    storages.emplace_back(s, node.get());
                } else {
                    HRESULT hr = ReadStream(e, &node->data);
                    if (FAILED(hr)) return hr;
                }
                if (!parent->children.emplace(e.name, std::move(node)).second)
                    return STG_E_DOCFILECORRUPT;
            }
        }
        *out = std::move(root);
        return S_OK;
    }

    std::vector<uint8_t> m_file;
    bool m_v4 = false;
    uint32_t m_sectorSize = 512;
    uint32_t m_entriesPerSector = 128;
    uint64_t m_sectorCount = 0;
    std::vector<bool> m_used;
    std::vector<uint32_t> m_fat;
    std::vector<DirEntry> m_entries;
    std::vector<uint8_t> m_miniStream;
    uint64_t m_miniSectorCount = 0;
    std::vector<bool> m_miniUsed;
    std::vector<uint32_t> m_miniFat;
};

}  // namespace

bool HasSignature(const uint8_t* bytes, uint64_t size) {
    return size >= kHeaderSize && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

HRESULT ReadCompoundFile(std::vector<uint8_t> file, std::shared_ptr<Node>* root) {
    if (file.size() > kMaxFileSize) return STG_E_INSUFFICIENTMEMORY;
    try {
        return Reader(std::move(file)).Run(root);
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
}

}  // namespace tarn::cfb
