#pragma once
// An image file loaded apart from the dialogs' own configuration
// (review/configuration.h), with the reason on stderr when it does not load.
#include <memory>
#include <string>

#include "app/console/console_io.h"
#include "review/configuration.h"

namespace tarn::console {

using Configuration = review::Configuration;

// Loads an image file; on failure says why on stderr and returns null.
std::unique_ptr<Configuration> LoadImage(const std::string& file, ConsoleIo& io);

}  // namespace tarn::console
