#include <cstdlib>

#include "platform/data_folder.h"

namespace tarn {

std::filesystem::path UserDataFolder() {
    if (const char* named = std::getenv("TARN_DATA_DIR"); named && *named) return named;
    // A relative XDG_DATA_HOME is not to be used.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        return std::filesystem::path(xdg) / "tarn-toolkit";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".local" / "share" / "tarn-toolkit";
}

}  // namespace tarn
