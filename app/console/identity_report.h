#pragma once
// What `tarn info` prints: the drive's identity as the connect read it, as
// text or as a JSON document of one shape whether the read worked or not.
#include <optional>
#include <string>

#include "app/console/console_io.h"
#include "image/dev_info.h"

namespace tarn::console {

struct IdentityRead {
    std::string port;
    std::optional<int> station;          // none: the drive was never reached
    const CDevInfo* info = nullptr;      // none: likewise
    std::optional<std::string> failure;  // why the identity was not read whole
};

// The exit status: 0, or 1 when the identity was not read (said on stderr;
// the JSON document then carries the reason and nulls for the values).
// `sayFailure` false: the reason is on stderr already.
int ReportIdentity(const IdentityRead& read, bool json, ConsoleIo& io, bool sayFailure = true);

}  // namespace tarn::console
