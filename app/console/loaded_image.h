#pragma once
// One drive configuration held apart from the dialogs' own: an image file's
// content, or what a drive was read into. Each has its device record,
// configuration object and parameter manager.
#include <memory>
#include <string>

#include "app/console/console_io.h"
#include "image/cfg_exchange.h"
#include "image/dev_info.h"
#include "params/para_mgr.h"

namespace tarn::console {

struct Configuration {
    Configuration() { cfg.ParaMgr = &params; }
    Configuration(const Configuration&) = delete;
    Configuration& operator=(const Configuration&) = delete;

    CDevInfo info;
    CCfgExchange cfg;
    CParaMgr params;
};

// Loads an image file; on failure says why on stderr and returns null.
std::unique_ptr<Configuration> LoadImage(const std::string& file, ConsoleIo& io);

}  // namespace tarn::console
