#pragma once
// One drive configuration held apart from the dialogs' own: an image file's
// content, or what a drive was read into. Each has its device record,
// configuration object and parameter manager, wired together.
#include <memory>
#include <string>

#include "image/cfg_exchange.h"
#include "image/dev_info.h"
#include "params/para_mgr.h"

namespace tarn::review {

struct Configuration {
    Configuration() { cfg.ParaMgr = &params; }
    Configuration(const Configuration&) = delete;
    Configuration& operator=(const Configuration&) = delete;

    CDevInfo info;
    CCfgExchange cfg;
    CParaMgr params;
};

// A configuration seen from outside, wherever it lives (a Configuration, or
// the main dialog's device record, configuration object and parameters).
struct ConfigSide {
    const CDevInfo& info;
    const CCfgExchange& cfg;
    const CParaMgr& params;
};

inline ConfigSide SideOf(const Configuration& c) {
    return {c.info, c.cfg, c.params};
}

// An image file loaded, or why not (`failure`, naming the file).
struct ImageLoad {
    std::unique_ptr<Configuration> image;
    std::string failure;
};

ImageLoad LoadImage(const std::string& file);

}  // namespace tarn::review
