#pragma once
// Image files (*.tkw) as a whole: a compound file with "Version", "DevInfo" and
// the configuration's elements, scrambled, behind the 16-byte "IASH" header.
// The dialogs call these sequences and report their outcome.
#include <string>

#include "image/cfg_exchange.h"
#include "image/dev_info.h"

namespace tarn {

struct ImageLoadOutcome {
    enum class Step {
        Loaded,
        NoFile,          // nothing at the path
        HeaderRefused,   // containerCode tells why (its message is for the user)
        NotOpened,       // the unwrapped copy is no compound file, or does not open
        ContentFailed,   // the device record or the configuration did not load: "Fail!"
        WorkingCopyFailed,  // the unwrapped copy could not be made: osError in workingCopy
    };
    Step step = Step::Loaded;
    int containerCode = 1;
    HRESULT hr = S_OK;
    int osError = 0;
    std::string workingCopy;  // where the copy was to be made
    bool ok() const { return step == Step::Loaded; }
};

// "IMAGE: its working copy PATH could not be made: REASON".
std::string WorkingCopyFailure(const std::string& image, const ImageLoadOutcome& outcome);

// Loads the image at `path` into `imageInfo` and `cfg`. The configuration's
// DataValid follows the load: true on success, false when the file is missing
// or its compound file cannot be opened, unchanged otherwise. The unwrapped
// working copy is a private temporary file (under TMPDIR or TEMP), removed
// after the load.
ImageLoadOutcome ReadImageFile(const std::u16string& path, CDevInfo& imageInfo, CCfgExchange& cfg);

// Saves `driveInfo` and `cfg` as an image at `path`, replacing any file there
// only once the new image is whole on the disk (a file already at `path`
// keeps its permissions). False when a part could not be saved or the file
// could not be written; the file at `path` is then as it was, and `osError`
// receives the operating system's reason when there is one (else 0).
bool WriteImageFile(const std::u16string& path, CDevInfo& driveInfo, CCfgExchange& cfg, int* osError = nullptr);

}  // namespace tarn
