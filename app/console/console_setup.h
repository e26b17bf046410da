#pragma once
// What the terminal needs before the command runs: on Windows the console
// shows UTF-8 (the dialogs' Chinese texts) and the arguments arrive as UTF-8
// from the wide command line; on Linux both are so already.
#include <string>
#include <vector>

namespace tarn::console {

void PrepareConsole();
std::vector<std::string> CommandArguments(int argc, char** argv);

}  // namespace tarn::console
