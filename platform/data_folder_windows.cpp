#include <cstdlib>

#include "platform/data_folder.h"

namespace tarn {

std::filesystem::path UserDataFolder() {
    if (const wchar_t* named = ::_wgetenv(L"TARN_DATA_DIR"); named && *named) return named;
    if (const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA"); local && *local)
        return std::filesystem::path(local) / L"TarnToolkit";
    return std::filesystem::path(L".") / L"TarnToolkit";
}

}  // namespace tarn
