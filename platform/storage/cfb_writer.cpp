#include "platform/storage/cfb_writer.h"

#include <cstring>
#include <new>

#include "platform/storage/cfb_format.h"

namespace tarn::cfb {
namespace {

constexpr uint32_t kSectorShift = 9;
constexpr uint32_t kSectorSize = 1u << kSectorShift;
constexpr uint32_t kFatPerSector = kSectorSize / 4;
constexpr uint32_t kDifatPerSector = kFatPerSector - 1;
constexpr uint32_t kEntriesPerSector = kSectorSize / kDirEntrySize;
// Sector counts are kept below the special sector numbers.
constexpr uint64_t kMaxSectors = kMaxRegSect - 1;

uint64_t CeilDiv(uint64_t a, uint64_t b) {
    return a / b + (a % b != 0);
}

struct Entry {
    const std::u16string* name = nullptr;  // null for the root
    const Node* node = nullptr;
    uint32_t left = kNoStream;
    uint32_t right = kNoStream;
    uint32_t child = kNoStream;
    uint8_t color = kColorBlack;
    uint32_t start = kEndOfChain;
    bool mini = false;
};

// Numbers every element, storage by storage, and links each storage's elements
// into a balanced binary tree in name order. Its red-black colouring: every
// level black except an incomplete last level, which is red, so every path
// from the top to a leaf passes the same number of black entries.
class Directory {
public:
    std::vector<Entry> entries;

    void Build(const Node& root) {
        entries.push_back(Entry{nullptr, &root});
        for (size_t i = 0; i < entries.size(); ++i) {
            const Node* n = entries[i].node;
            if (!n->storage || n->children.empty()) continue;
            uint32_t first = static_cast<uint32_t>(entries.size());
            for (const auto& [name, child] : n->children)
                entries.push_back(Entry{&name, child.get()});
            uint32_t count = static_cast<uint32_t>(n->children.size());
            unsigned fullLevels = 0;
            while ((uint64_t{2} << fullLevels) - 1 <= count) ++fullLevels;
            bool perfect = ((uint64_t{1} << fullLevels) - 1) == count;
            entries[i].child = Link(first, 0, count, 0, fullLevels, perfect);
        }
    }

private:
    // Links elements [lo, hi) of a run starting at first; returns the subtree's top.
    uint32_t Link(uint32_t first, uint32_t lo, uint32_t hi, unsigned level, unsigned fullLevels,
                  bool perfect) {
        if (lo >= hi) return kNoStream;
        uint32_t mid = lo + (hi - lo) / 2;
        Entry& e = entries[first + mid];
        e.color = (!perfect && level == fullLevels) ? kColorRed : kColorBlack;
        uint32_t left = Link(first, lo, mid, level + 1, fullLevels, perfect);
        uint32_t right = Link(first, mid + 1, hi, level + 1, fullLevels, perfect);
        entries[first + mid].left = left;
        entries[first + mid].right = right;
        return first + mid;
    }
};

class Writer {
public:
    HRESULT Run(const Node& root, std::vector<uint8_t>* out) {
        m_dir.Build(root);
        HRESULT hr = Layout();
        if (FAILED(hr)) return hr;
        out->assign(kHeaderSize + m_totalSectors * kSectorSize, 0);
        m_out = out->data();
        WriteStreams();
        WriteDirectory();
        WriteFat();
        WriteHeader();
        return S_OK;
    }

private:
    uint8_t* Sector(uint64_t s) { return m_out + kHeaderSize + s * kSectorSize; }

    // Places the structures: FAT, DIFAT, directory, mini FAT, mini stream, then
    // the streams of 4096 bytes and more, each in consecutive sectors.
    HRESULT Layout() {
        uint64_t miniSectors = 0;
        uint64_t bigSectors = 0;
        for (Entry& e : m_dir.entries) {
            if (e.node->storage) continue;
            uint64_t size = e.node->data.size();
            if (size > UINT32_MAX) return STG_E_MEDIUMFULL;
            if (size == 0) continue;
            e.mini = size < kMiniStreamCutoff;
            if (e.mini) {
                e.start = static_cast<uint32_t>(miniSectors);
                miniSectors += CeilDiv(size, kMiniSectorSize);
            } else {
                bigSectors += CeilDiv(size, kSectorSize);
            }
        }
        m_miniStreamSize = miniSectors * kMiniSectorSize;
        m_miniStreamSectors = CeilDiv(m_miniStreamSize, kSectorSize);
        m_miniFatSectors = CeilDiv(miniSectors * 4, kSectorSize);
        m_dirSectors = CeilDiv(m_dir.entries.size(), kEntriesPerSector);
        uint64_t data = m_dirSectors + m_miniFatSectors + m_miniStreamSectors + bigSectors;
        // The FAT covers every sector, its own and the DIFAT's included.
        uint64_t fat = 0, difat = 0;
        for (;;) {
            uint64_t needFat = CeilDiv(data + fat + difat, kFatPerSector);
            uint64_t needDifat = needFat > kHeaderDifatEntries
                                     ? CeilDiv(needFat - kHeaderDifatEntries, kDifatPerSector)
                                     : 0;
            if (needFat == fat && needDifat == difat) break;
            fat = needFat;
            difat = needDifat;
        }
        m_fatSectors = fat;
        m_difatSectors = difat;
        m_totalSectors = data + fat + difat;
        if (m_totalSectors > kMaxSectors) return STG_E_MEDIUMFULL;
        m_fat.assign(fat * kFatPerSector, kFreeSect);

        uint64_t next = 0;
        for (uint64_t i = 0; i < fat; ++i) m_fat[next++] = kFatSect;
        m_firstDifat = difat ? static_cast<uint32_t>(next) : kEndOfChain;
        for (uint64_t i = 0; i < difat; ++i) m_fat[next++] = kDifSect;
        m_firstDir = Allocate(&next, m_dirSectors);
        m_firstMiniFat = m_miniFatSectors ? Allocate(&next, m_miniFatSectors) : kEndOfChain;
        m_dir.entries[0].start =
            m_miniStreamSectors ? Allocate(&next, m_miniStreamSectors) : kEndOfChain;
        for (Entry& e : m_dir.entries) {
            if (!e.node->storage && !e.mini && !e.node->data.empty()) {
                e.start = Allocate(&next, CeilDiv(e.node->data.size(), kSectorSize));
            }
        }
        return S_OK;
    }

    // Chains count sectors from *next on in the FAT; returns the first.
    uint32_t Allocate(uint64_t* next, uint64_t count) {
        uint32_t first = static_cast<uint32_t>(*next);
        for (uint64_t i = 0; i < count; ++i, ++*next) {
            m_fat[*next] = i + 1 < count ? static_cast<uint32_t>(*next + 1) : kEndOfChain;
        }
        return first;
    }

    void WriteStreams() {
        uint8_t* mini = m_miniStreamSectors ? Sector(m_dir.entries[0].start) : nullptr;
        uint8_t* miniFat = m_miniFatSectors ? Sector(m_firstMiniFat) : nullptr;
        for (uint64_t i = 0; i < m_miniFatSectors * kFatPerSector; ++i)
            Put32(miniFat + 4 * i, kFreeSect);
        for (const Entry& e : m_dir.entries) {
            const auto& data = e.node->data;
            if (e.node->storage || data.empty()) continue;
            if (e.mini) {
                std::memcpy(mini + uint64_t{e.start} * kMiniSectorSize, data.data(), data.size());
                uint64_t n = CeilDiv(data.size(), kMiniSectorSize);
                for (uint64_t i = 0; i < n; ++i) {
                    Put32(miniFat + 4 * (e.start + i),
                          i + 1 < n ? static_cast<uint32_t>(e.start + i + 1) : kEndOfChain);
                }
            } else {
                std::memcpy(Sector(e.start), data.data(), data.size());
            }
        }
    }

    void WriteDirectory() {
        uint8_t* dir = Sector(m_firstDir);
        for (size_t i = 0; i < m_dirSectors * kEntriesPerSector; ++i) {
            uint8_t* p = dir + i * kDirEntrySize;
            Put32(p + kDeLeft, kNoStream);
            Put32(p + kDeRight, kNoStream);
            Put32(p + kDeChild, kNoStream);
            if (i >= m_dir.entries.size()) continue;
            const Entry& e = m_dir.entries[i];
            static const std::u16string kRootName = u"Root Entry";
            const std::u16string& name = e.name ? *e.name : kRootName;
            for (size_t u = 0; u < name.size(); ++u) Put16(p + kDeName + 2 * u, name[u]);
            Put16(p + kDeNameLength, static_cast<uint16_t>((name.size() + 1) * 2));
            p[kDeType] = i == 0 ? kTypeRoot : (e.node->storage ? kTypeStorage : kTypeStream);
            p[kDeColor] = e.color;
            Put32(p + kDeLeft, e.left);
            Put32(p + kDeRight, e.right);
            Put32(p + kDeChild, e.child);
            if (i == 0) {
                Put32(p + kDeStart, e.start);
                Put64(p + kDeSize, m_miniStreamSize);
            } else if (!e.node->storage) {
                Put32(p + kDeStart, e.start);
                Put64(p + kDeSize, e.node->data.size());
            }
        }
    }

    void WriteFat() {
        for (uint64_t i = 0; i < m_fat.size(); ++i)
            Put32(Sector(i / kFatPerSector) + 4 * (i % kFatPerSector), m_fat[i]);
        // The DIFAT lists the FAT sectors: the first 109 in the header, the rest in
        // DIFAT sectors of 127 entries and a link to the next.
        for (uint64_t d = 0; d < m_difatSectors; ++d) {
            uint8_t* p = Sector(m_fatSectors + d);
            for (uint32_t j = 0; j < kDifatPerSector; ++j) {
                uint64_t fatIndex = kHeaderDifatEntries + d * kDifatPerSector + j;
                Put32(p + 4 * j,
                      fatIndex < m_fatSectors ? static_cast<uint32_t>(fatIndex) : kFreeSect);
            }
            Put32(p + 4 * kDifatPerSector, d + 1 < m_difatSectors
                                               ? static_cast<uint32_t>(m_fatSectors + d + 1)
                                               : kEndOfChain);
        }
    }

    void WriteHeader() {
        uint8_t* h = m_out;
        std::memcpy(h, kSignature, sizeof kSignature);
        Put16(h + kHdrMinorVersion, kMinorVersion);
        Put16(h + kHdrMajorVersion, 3);
        Put16(h + kHdrByteOrder, kByteOrderMark);
        Put16(h + kHdrSectorShift, kSectorShift);
        Put16(h + kHdrMiniSectorShift, kMiniSectorShift);
        Put32(h + kHdrNumFatSectors, static_cast<uint32_t>(m_fatSectors));
        Put32(h + kHdrFirstDirSector, m_firstDir);
        Put32(h + kHdrMiniCutoff, kMiniStreamCutoff);
        Put32(h + kHdrFirstMiniFatSector, m_firstMiniFat);
        Put32(h + kHdrNumMiniFatSectors, static_cast<uint32_t>(m_miniFatSectors));
        Put32(h + kHdrFirstDifatSector, m_firstDifat);
        Put32(h + kHdrNumDifatSectors, static_cast<uint32_t>(m_difatSectors));
        for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
            Put32(h + kHdrDifat + 4 * i, i < m_fatSectors ? static_cast<uint32_t>(i) : kFreeSect);
        }
    }

    Directory m_dir;
    std::vector<uint32_t> m_fat;
    uint8_t* m_out = nullptr;
    uint64_t m_miniStreamSize = 0, m_miniStreamSectors = 0, m_miniFatSectors = 0, m_dirSectors = 0;
    uint64_t m_fatSectors = 0, m_difatSectors = 0, m_totalSectors = 0;
    uint32_t m_firstDir = kEndOfChain, m_firstMiniFat = kEndOfChain, m_firstDifat = kEndOfChain;
};

}  // namespace

HRESULT WriteCompoundFile(const Node& root, std::vector<uint8_t>* out) {
    try {
        return Writer().Run(root, out);
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
}

}  // namespace tarn::cfb
