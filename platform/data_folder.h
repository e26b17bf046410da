#pragma once
// The folder of the user's own data (snapshots, service history):
// TARN_DATA_DIR when it is set, else the platform's per-user data folder
// ($XDG_DATA_HOME/tarn-toolkit or ~/.local/share/tarn-toolkit here).
#include <filesystem>

namespace tarn {

std::filesystem::path UserDataFolder();

}  // namespace tarn
