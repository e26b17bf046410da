#include "app/console/console_setup.h"

namespace tarn::console {

void PrepareConsole() {}

std::vector<std::string> CommandArguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace tarn::console
