// The compound-file objects: a document (the file and its element tree, shared
// by every open element), and the storage and stream elements handed to callers.
#include "platform/storage/storage.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "platform/storage/cfb_format.h"
#include "platform/storage/cfb_reader.h"
#include "platform/storage/cfb_tree.h"
#include "platform/storage/cfb_writer.h"
#include "platform/storage/file.h"
#include "platform/storage/storage_error.h"
#include "platform/wide_string.h"

namespace tarn {
namespace {

using cfb::Node;

HRESULT FromErrno(int err, HRESULT otherwise) { return StorageErrorOf(err, otherwise); }

bool Writable(DWORD mode) {
    return (mode & 3) == STGM_WRITE || (mode & 3) == STGM_READWRITE;
}

// Flags this facility knows; transacted mode is not among them.
constexpr DWORD kKnownModeBits = 0x3 | 0x70 | STGM_CREATE;

HRESULT CheckMode(DWORD mode) {
    if ((mode & ~kKnownModeBits) != 0 || (mode & 3) == 3) return STG_E_INVALIDFLAG;
    return S_OK;
}

// One compound file: the element tree, and for a file opened for writing the
// disk file that each flush rewrites whole.
class Document {
public:
    std::shared_ptr<Node> root;
    File file;
    bool writable = false;
    bool dirty = false;
    bool closed = false;

    HRESULT Flush() {
        if (!writable) return S_OK;
        std::vector<uint8_t> bytes;
        HRESULT hr = cfb::WriteCompoundFile(*root, &bytes);
        if (FAILED(hr)) return hr;
        int err = file.Seek(0);
        if (!err) err = file.WriteAll(bytes.data(), bytes.size());
        if (!err) err = file.Truncate(bytes.size());
        if (!err) err = file.Sync();
        if (err) return FromErrno(err, STG_E_WRITEFAULT);
        dirty = false;
        return S_OK;
    }

    // The root was released: the file gets what was written, and open elements
    // are cut off from it.
    void Close() {
        if (dirty) Flush();
        file.Close();
        closed = true;
    }
};

class Stream final : public IStream {
public:
    Stream(std::shared_ptr<Document> doc, std::shared_ptr<Node> node, bool writable)
        : m_doc(std::move(doc)), m_node(std::move(node)), m_writable(writable) {}

    HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
        if (read) *read = 0;
        if (m_doc->closed) return STG_E_REVERTED;
        if (!buffer && count) return STG_E_INVALIDPARAMETER;
        const auto& data = m_node->data;
        uint64_t avail = m_pos < data.size() ? data.size() - m_pos : 0;
        ULONG n = static_cast<ULONG>(std::min<uint64_t>(count, avail));
        if (n) std::memcpy(buffer, data.data() + m_pos, n);
        m_pos += n;
        if (read) *read = n;
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT Write(const void* data, ULONG count, ULONG* written) override {
        if (written) *written = 0;
        if (m_doc->closed) return STG_E_REVERTED;
        if (!m_writable) return STG_E_ACCESSDENIED;
        if (!data && count) return STG_E_INVALIDPARAMETER;
        if (count == 0) return S_OK;
        uint64_t end = m_pos + count;
        if (end > UINT32_MAX) return STG_E_MEDIUMFULL;
        auto& bytes = m_node->data;
        try {
            if (end > bytes.size()) bytes.resize(end);
        } catch (const std::bad_alloc&) {
            return STG_E_INSUFFICIENTMEMORY;
        }
        std::memcpy(bytes.data() + m_pos, data, count);
        m_pos = end;
        m_doc->dirty = true;
        if (written) *written = count;
        return S_OK;
    }

    HRESULT Seek(int64_t move, DWORD origin, uint64_t* position) override {
        if (m_doc->closed) return STG_E_REVERTED;
        int64_t base;
        switch (origin) {
            case STREAM_SEEK_SET:
                base = 0;
                break;
            case STREAM_SEEK_CUR:
                base = static_cast<int64_t>(m_pos);
                break;
            case STREAM_SEEK_END:
                base = static_cast<int64_t>(m_node->data.size());
                break;
            default:
                return STG_E_INVALIDFUNCTION;
        }
        if ((move < 0 && base < -move) || (move > 0 && move > INT64_MAX - base))
            return STG_E_INVALIDFUNCTION;
        m_pos = static_cast<uint64_t>(base + move);
        if (position) *position = m_pos;
        return S_OK;
    }

    HRESULT SetSize(uint64_t size) override {
        if (m_doc->closed) return STG_E_REVERTED;
        if (!m_writable) return STG_E_ACCESSDENIED;
        if (size > UINT32_MAX) return STG_E_MEDIUMFULL;
        try {
            m_node->data.resize(size);
        } catch (const std::bad_alloc&) {
            return STG_E_INSUFFICIENTMEMORY;
        }
        m_doc->dirty = true;
        return S_OK;
    }

    HRESULT Stat(STATSTG* stat) override {
        if (m_doc->closed) return STG_E_REVERTED;
        if (!stat) return STG_E_INVALIDPARAMETER;
        stat->type = STGTY_STREAM;
        stat->size = m_node->data.size();
        return S_OK;
    }

    HRESULT Commit(DWORD) override { return m_doc->closed ? STG_E_REVERTED : S_OK; }

    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

private:
    std::shared_ptr<Document> m_doc;
    std::shared_ptr<Node> m_node;
    bool m_writable;
    uint64_t m_pos = 0;
    ULONG m_refs = 1;
};

class Storage final : public IStorage {
public:
    Storage(std::shared_ptr<Document> doc, std::shared_ptr<Node> node, bool writable, bool isRoot)
        : m_doc(std::move(doc)), m_node(std::move(node)), m_writable(writable), m_isRoot(isRoot) {}

    HRESULT CreateStream(const char16_t* name, DWORD mode, DWORD, DWORD,
                         IStream** stream) override {
        std::shared_ptr<Node> node;
        HRESULT hr = CreateElement(name, mode, false, &node);
        if (FAILED(hr)) return Fail(stream, hr);
        return Hand(stream, new (std::nothrow) Stream(m_doc, std::move(node), true));
    }

    HRESULT OpenStream(const char16_t* name, void*, DWORD mode, DWORD, IStream** stream) override {
        std::shared_ptr<Node> node;
        HRESULT hr = OpenElement(name, mode, false, &node);
        if (FAILED(hr)) return Fail(stream, hr);
        return Hand(stream, new (std::nothrow) Stream(m_doc, std::move(node), Writable(mode)));
    }

    HRESULT CreateStorage(const char16_t* name, DWORD mode, DWORD, DWORD,
                          IStorage** storage) override {
        std::shared_ptr<Node> node;
        HRESULT hr = CreateElement(name, mode, true, &node);
        if (FAILED(hr)) return Fail(storage, hr);
        return Hand(storage, new (std::nothrow) Storage(m_doc, std::move(node), true, false));
    }

    HRESULT OpenStorage(const char16_t* name, IStorage*, DWORD mode, const char16_t* const*, DWORD,
                        IStorage** storage) override {
        std::shared_ptr<Node> node;
        HRESULT hr = OpenElement(name, mode, true, &node);
        if (FAILED(hr)) return Fail(storage, hr);
        return Hand(storage,
                    new (std::nothrow) Storage(m_doc, std::move(node), Writable(mode), false));
    }

    HRESULT EnumElements(std::vector<STATSTG>* elements) override {
        if (m_doc->closed) return STG_E_REVERTED;
        if (!elements) return STG_E_INVALIDPARAMETER;
        try {
            elements->clear();
            for (const auto& [name, child] : m_node->children) {
                elements->push_back(STATSTG{name, child->storage ? STGTY_STORAGE : STGTY_STREAM,
                                            child->storage ? 0 : child->data.size()});
            }
        } catch (const std::bad_alloc&) {
            return STG_E_INSUFFICIENTMEMORY;
        }
        return S_OK;
    }

    HRESULT DestroyElement(const char16_t* name) override {
        if (m_doc->closed) return STG_E_REVERTED;
        if (!m_writable) return STG_E_ACCESSDENIED;
        if (!name) return STG_E_INVALIDPARAMETER;
        auto it = m_node->children.find(std::u16string(name));
        if (it == m_node->children.end()) return STG_E_FILENOTFOUND;
        m_node->children.erase(it);
        m_doc->dirty = true;
        return S_OK;
    }

    HRESULT Stat(STATSTG* stat) override {
        if (m_doc->closed) return STG_E_REVERTED;
        if (!stat) return STG_E_INVALIDPARAMETER;
        stat->type = STGTY_STORAGE;
        stat->size = 0;
        return S_OK;
    }

    HRESULT Commit(DWORD) override {
        if (m_doc->closed) return STG_E_REVERTED;
        return m_doc->Flush();
    }

    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        ULONG left = --m_refs;
        if (left == 0) {
            if (m_isRoot) m_doc->Close();
            delete this;
        }
        return left;
    }

private:
    template <class T>
    static HRESULT Fail(T** out, HRESULT hr) {
        if (out) *out = nullptr;
        return hr;
    }

    template <class T, class Impl>
    static HRESULT Hand(T** out, Impl* element) {
        if (!element) return STG_E_INSUFFICIENTMEMORY;
        *out = element;
        return S_OK;
    }

    // Names of files from elsewhere may hold characters that are not created
    // here; such elements can still be opened.
    HRESULT CheckCall(const char16_t* name, DWORD mode, const void* out, bool creating) const {
        if (!out || !name) return STG_E_INVALIDPARAMETER;
        if (m_doc->closed) return STG_E_REVERTED;
        HRESULT hr = CheckMode(mode);
        if (FAILED(hr)) return hr;
        std::u16string_view n(name);
        if (n.empty() || n.size() > kMaxElementName || (creating && !cfb::IsValidName(n)))
            return STG_E_INVALIDNAME;
        return S_OK;
    }

    HRESULT CreateElement(const char16_t* name, DWORD mode, bool storage,
                          std::shared_ptr<Node>* out) {
        HRESULT hr = CheckCall(name, mode, out, true);
        if (FAILED(hr)) return hr;
        if (!m_writable || !Writable(mode)) return STG_E_ACCESSDENIED;
        try {
            std::u16string key(name);
            auto it = m_node->children.find(key);
            if (it != m_node->children.end()) {
                if (!(mode & STGM_CREATE)) return STG_E_FILEALREADYEXISTS;
                // Replaced: elements still open on the old one keep it to themselves.
                m_node->children.erase(it);
            }
            auto node = std::make_shared<Node>();
            node->storage = storage;
            node->depth = m_node->depth + 1;
            if (node->depth > cfb::kMaxDepth) return STG_E_INSUFFICIENTMEMORY;
            m_node->children.emplace(std::move(key), node);
            *out = std::move(node);
        } catch (const std::bad_alloc&) {
            return STG_E_INSUFFICIENTMEMORY;
        }
        m_doc->dirty = true;
        return S_OK;
    }

    HRESULT OpenElement(const char16_t* name, DWORD mode, bool storage,
                        std::shared_ptr<Node>* out) {
        HRESULT hr = CheckCall(name, mode, out, false);
        if (FAILED(hr)) return hr;
        if (Writable(mode) && !m_writable) return STG_E_ACCESSDENIED;
        if (mode & STGM_CREATE) return STG_E_INVALIDFLAG;
        auto it = m_node->children.find(std::u16string(name));
        if (it == m_node->children.end() || it->second->storage != storage)
            return STG_E_FILENOTFOUND;
        *out = it->second;
        return S_OK;
    }

    std::shared_ptr<Document> m_doc;
    std::shared_ptr<Node> m_node;
    bool m_writable;
    bool m_isRoot;
    ULONG m_refs = 1;
};

HRESULT MakeRoot(std::shared_ptr<Document> doc, IStorage** root) {
    auto node = doc->root;
    bool writable = doc->writable;
    auto* storage = new (std::nothrow) Storage(std::move(doc), std::move(node), writable, true);
    if (!storage) return STG_E_INSUFFICIENTMEMORY;
    *root = storage;
    return S_OK;
}

// Reads a whole file of at most the largest compound file's size.
HRESULT ReadWhole(File& file, std::vector<uint8_t>* bytes) {
    uint64_t size = 0;
    int err = file.Size(&size);
    if (err) return FromErrno(err, STG_E_READFAULT);
    if (size > cfb::kMaxFileSize) return STG_E_INSUFFICIENTMEMORY;
    try {
        bytes->resize(size);
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
    size_t have = 0;
    while (have < size) {
        size_t got = 0;
        err = file.Read(bytes->data() + have, size - have, &got);
        if (err) return FromErrno(err, STG_E_READFAULT);
        if (got == 0) break;  // shorter than it was a moment ago
        have += got;
    }
    bytes->resize(have);
    return S_OK;
}

}  // namespace

HRESULT StgCreateDocfile(const char16_t* path, DWORD mode, DWORD, IStorage** root) {
    if (!root) return STG_E_INVALIDPARAMETER;
    *root = nullptr;
    if (!path) return STG_E_INVALIDNAME;
    HRESULT hr = CheckMode(mode);
    if (FAILED(hr)) return hr;
    if (!Writable(mode)) return STG_E_INVALIDFLAG;
    try {
        auto doc = std::make_shared<Document>();
        std::string utf8 = ToUtf8(path);
        if (!(mode & STGM_CREATE)) {
            File existing;
            if (existing.Open(utf8, File::Access::kRead, false) == 0)
                return STG_E_FILEALREADYEXISTS;
        }
        int err =
            doc->file.Open(utf8, File::Access::kCreate, (mode & 0x70) != STGM_SHARE_DENY_NONE);
        if (err) return FromErrno(err, STG_E_ACCESSDENIED);
        doc->root = std::make_shared<Node>();
        doc->root->storage = true;
        doc->writable = true;
        if (FAILED(hr = doc->Flush())) return hr;
        return MakeRoot(std::move(doc), root);
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
}

HRESULT StgOpenStorage(const char16_t* path, IStorage*, DWORD mode, const char16_t* const*, DWORD,
                       IStorage** root) {
    if (!root) return STG_E_INVALIDPARAMETER;
    *root = nullptr;
    if (!path) return STG_E_INVALIDNAME;
    HRESULT hr = CheckMode(mode);
    if (FAILED(hr)) return hr;
    // Files are opened for reading; a changed file is written anew with StgCreateDocfile.
    if (Writable(mode) || (mode & STGM_CREATE)) return STG_E_INVALIDFLAG;
    try {
        auto doc = std::make_shared<Document>();
        int err = doc->file.Open(ToUtf8(path), File::Access::kRead,
                                 (mode & 0x70) != STGM_SHARE_DENY_NONE);
        if (err) return FromErrno(err, STG_E_ACCESSDENIED);
        std::vector<uint8_t> bytes;
        if (FAILED(hr = ReadWhole(doc->file, &bytes))) return hr;
        if (FAILED(hr = cfb::ReadCompoundFile(std::move(bytes), &doc->root))) return hr;
        return MakeRoot(std::move(doc), root);
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
}

HRESULT StgOpenStorageOnMemory(std::span<const uint8_t> bytes, IStorage** root) {
    if (!root) return STG_E_INVALIDPARAMETER;
    *root = nullptr;
    try {
        if (bytes.size() > cfb::kMaxFileSize) return STG_E_INSUFFICIENTMEMORY;
        auto doc = std::make_shared<Document>();
        HRESULT hr =
            cfb::ReadCompoundFile(std::vector<uint8_t>(bytes.begin(), bytes.end()), &doc->root);
        if (FAILED(hr)) return hr;
        return MakeRoot(std::move(doc), root);
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
}

HRESULT StgIsStorageFile(const char16_t* path) {
    if (!path) return STG_E_INVALIDNAME;
    File file;
    int err = file.Open(ToUtf8(path), File::Access::kRead, false);
    if (err) return FromErrno(err, STG_E_ACCESSDENIED);
    uint8_t head[cfb::kHeaderSize];
    size_t have = 0;
    while (have < sizeof head) {
        size_t got = 0;
        if ((err = file.Read(head + have, sizeof head - have, &got)))
            return FromErrno(err, STG_E_READFAULT);
        if (got == 0) break;
        have += got;
    }
    return cfb::HasSignature(head, have) ? S_OK : S_FALSE;
}

}  // namespace tarn
