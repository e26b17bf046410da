#pragma once
// Where the system keeps the program's files: its own directory, the user's
// data directory and private temporary files. Paths are UTF-8 here and wide
// (UTF-16) at the Windows boundary.
#include <string>

namespace tarn {

// A new, empty file that no one else can have made or linked, in the
// temporary directory (TMPDIR or TEMP on Linux, GetTempPathW on Windows),
// named `prefix` and a random part; empty when none could be made.
// `tried`: the name it was made under (or tried); `error`: the system's code
// when it failed.
std::string CreatePrivateTempFile(const std::string& prefix, std::string* tried = nullptr, int* error = nullptr);
void RemoveFile(const std::string& utf8Path);

// The directory of the running program, with a trailing separator.
std::string ProgramDirectory();
// The user's data directory for the program, with a trailing separator:
// $XDG_DATA_HOME or ~/.local/share on Linux, %LOCALAPPDATA% on Windows.
std::string UserDataDirectory(const std::string& programName);
// Whether this user may create files in the directory.
bool IsWritableDirectory(const std::string& utf8Path);

}  // namespace tarn
