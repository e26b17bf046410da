// The PCF file: the drive's parameter definitions, kept on disk under the
// drive's identity as a compound file, scrambled, gzip-compressed and followed
// by a 16-byte trailer.
#include <filesystem>
#include <system_error>

#include "image/stored_file.h"
#include "params/para_mgr.h"
#include "platform/storage/replacement_file.h"
#include "platform/storage/system_paths.h"
#include "platform/data_folder.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {


}  // namespace

// PCF files go to the user's data directory, "Data/ParaCfg" below it, unless a
// root is set: never beside the executable, whose folder an installed program
// must not write to (and root could).
std::u16string CParaMgr::GetPcfDirectory() const {
    std::string root = ToUtf8(m_pcfRoot);
    // Never beside the program: an installed program's folder is not the
    // user's, and a portable one would scatter the definitions.
    if (root.empty()) root = Utf8Of(UserDataFolder());
    if (root.back() != '/')
        root += '/';
    return FromUtf8(root + "Data/ParaCfg");
}

std::u16string CParaMgr::GetPcfPath() const {
    return GetPcfDirectory() +
           WidenFormat("/%04d%04d%04d_%d_%d.PCF", m_DevInfo.m_wIdent1, m_DevInfo.m_wIdent2,
                       m_DevInfo.m_wIdent3, m_DevInfo.m_nMainVersion, m_DevInfo.m_nSubVersion);
}

HRESULT CParaMgr::SavePcf(const std::u16string& directory, const std::u16string& path) {
    std::error_code ec;
    const std::filesystem::path dir(directory);
    if (!std::filesystem::exists(dir, ec)) {
        std::filesystem::create_directories(dir, ec);
        if (ec) return E_FAIL;
    }
    // Made whole beside the old file and put in its place only when every step
    // worked, so a failed save leaves the last good definitions file.
    ReplacementFile replacement(ToUtf8(path));
    if (replacement.Error()) return STG_E_ACCESSDENIED;
    const std::u16string newFile = FromUtf8(replacement.Path());
    StgPtr<IStorage> root;
    HRESULT hr = StgCreateDocfile(newFile.c_str(), kImageCreateMode, 0, root.Out());
    if (FAILED(hr)) return hr;
    hr = SaveToStorage(root.get());
    const HRESULT committed = root->Commit(0);
    root.Reset();
    if (hr != S_OK) return hr;
    if (FAILED(committed)) return committed;
    if (CompressCopy(newFile, newFile, true) == 0 ||
        AddHeader(newFile, newFile, kPcfIdentifier, true) != kStoredOK || replacement.Commit() != 0)
        return STG_E_WRITEFAULT;
    return S_OK;
}

}  // namespace tarn
