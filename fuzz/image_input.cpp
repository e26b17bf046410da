#include "fuzz/image_input.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "fuzz/require.h"
#include "image/cfg_exchange.h"
#include "image/dev_info.h"
#include "image/stored_file.h"
#include "params/para_mgr.h"
#include "platform/storage/storage.h"
#include "platform/wide_string.h"

namespace tarn::fuzz {
namespace {

struct Element {
    std::u16string path;
    bool storage;
    std::vector<uint8_t> data;
};

// Walks every element below root; each stream is read in pieces, as callers do.
// With copy, every element is also created below copy.
void Walk(IStorage* root, IStorage* copy, std::vector<Element>* seen) {
    struct Item {
        IStorage* from;
        IStorage* to;
        std::u16string prefix;
    };
    std::vector<StgPtr<IStorage>> open;
    std::vector<Item> work{{root, copy, u""}};
    while (!work.empty()) {
        Item item = work.back();
        work.pop_back();
        std::vector<STATSTG> elements;
        Require(item.from->EnumElements(&elements) == S_OK, "enumerating an open storage");
        for (const STATSTG& e : elements) {
            std::u16string path = item.prefix + u"/" + e.name;
            if (e.type == STGTY_STORAGE) {
                StgPtr<IStorage> sub, subCopy;
                Require(item.from->OpenStorage(e.name.c_str(), nullptr, 0x10, nullptr, 0,
                                               sub.Out()) == S_OK,
                        "opening a listed storage");
                if (item.to &&
                    item.to->CreateStorage(e.name.c_str(), 0x1012, 0, 0, subCopy.Out()) != S_OK)
                    continue;
                seen->push_back({path, true, {}});
                work.push_back({sub.get(), subCopy.get(), path});
                open.push_back(std::move(sub));
                open.push_back(std::move(subCopy));
                continue;
            }
            StgPtr<IStream> stream;
            Require(item.from->OpenStream(e.name.c_str(), nullptr, 0x10, 0, stream.Out()) == S_OK,
                    "opening a listed stream");
            std::vector<uint8_t> data;
            uint8_t piece[700];
            ULONG got = 0;
            HRESULT hr;
            do {
                hr = stream->Read(piece, sizeof piece, &got);
                data.insert(data.end(), piece, piece + got);
            } while (hr == S_OK && got == sizeof piece);
            Require(data.size() == e.size, "a stream reads as long as it is listed");
            if (item.to) {
                StgPtr<IStream> out;
                if (item.to->CreateStream(e.name.c_str(), 0x1012, 0, 0, out.Out()) != S_OK)
                    continue;
                Require(out->Write(data.data(), static_cast<ULONG>(data.size()), nullptr) == S_OK,
                        "writing a copy");
            }
            seen->push_back({path, false, std::move(data)});
        }
    }
}

// Walks a root and, in workDir, copies it into a new compound file that must
// open and walk the same.
void WalkAndCopy(IStorage* root, const std::string& workDir) {
    const std::u16string copyPath = FromUtf8(workDir + "/copy.stg");
    std::vector<Element> original, copied;
    {
        StgPtr<IStorage> copy;
        Require(StgCreateDocfile(copyPath.c_str(), 0x1012, 0, copy.Out()) == S_OK,
                "creating the copy");
        Walk(root, copy.get(), &original);
        Require(copy->Commit(0) == S_OK, "committing the copy");
    }
    StgPtr<IStorage> reopened;
    Require(StgOpenStorage(copyPath.c_str(), nullptr, 0x10, nullptr, 0, reopened.Out()) == S_OK,
            "reopening the copy");
    Walk(reopened.get(), nullptr, &copied);
    Require(original.size() == copied.size(), "the copy has every element");
    // Both walks list each storage in name order, so they meet the same elements in turn.
    for (size_t i = 0; i < original.size(); ++i) {
        Require(original[i].path == copied[i].path, "element names survive the copy");
        Require(original[i].storage == copied[i].storage, "element kinds survive the copy");
        Require(original[i].data == copied[i].data, "stream bytes survive the copy");
    }
}

// Loads the objects of an image from whatever compound file opened: the device
// record, the parameter manager and the configuration. Each gives an HRESULT;
// none may crash, hang or allocate without end.
void LoadImageObjects(IStorage* root) {
    CDevInfo info;
    const HRESULT devInfo = info.LoadFromStorage(root, 0);
    Require(devInfo == S_OK || devInfo == S_FALSE || FAILED(devInfo), "the device record gives an HRESULT");
    CParaMgr mgr;
    const HRESULT params = mgr.LoadFromStorage(root, 0);
    Require(params != S_OK || mgr.GroupCount() <= CParaMgr::kMaxGroups, "group count bounded");
    CCfgExchange cfg;
    cfg.ParaMgr = &mgr;
    if (cfg.LoadFromStorage(root, 0) == S_OK) {
        Require(!cfg.DHData || cfg.DHData->size() == static_cast<size_t>(cfg.SectionDH_Size.image),
                "a loaded DH buffer has its stored size");
    }
}

}  // namespace

void FeedImageInput(const uint8_t* data, size_t size, const std::string& workDir) {
    const std::string input = workDir + "/input.tkw";
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::u16string in = FromUtf8(input);
    const std::u16string work = FromUtf8(workDir + "/tmpDCH");

    // The image load: check and strip the header, unscramble the working copy.
    uint16_t type = 0, identifier = 0;
    int rc = CheckHeader(in, &type, &identifier);
    Require(rc >= kStoredOK && rc <= kStoredVersionError, "CheckHeader gives a known code");
    Require(rc == kStoredOK || (type == 0 && identifier == 0),
            "type and identifier stay 0 on failure");
    std::remove((workDir + "/tmpDCH").c_str());
    rc = StripHeader(in, work);
    Require(rc == kStoredOK || rc == kStoredContentError || rc == kStoredFormatError,
            "StripHeader gives a known code");
    if (rc == kStoredOK) {
        Require(ScrambleFile(work, work) == kStoredOK, "unscrambling the working copy");
        if (StgIsStorageFile(work.c_str()) == S_OK) {
            StgPtr<IStorage> root;
            if (StgOpenStorage(work.c_str(), nullptr, 0x10, nullptr, 0, root.Out()) == S_OK) {
                WalkAndCopy(root.get(), workDir);
                LoadImageObjects(root.get());
            }
        }
    }

    // The same bytes taken directly as a compound file.
    StgPtr<IStorage> root;
    HRESULT hr = StgOpenStorageOnMemory({data, size}, root.Out());
    Require(SUCCEEDED(hr) == (root.get() != nullptr), "a root exactly when the open succeeds");
    if (root) {
        WalkAndCopy(root.get(), workDir);
        LoadImageObjects(root.get());
    }
}

}  // namespace tarn::fuzz
