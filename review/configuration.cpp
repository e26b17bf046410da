#include "review/configuration.h"

#include "image/image_file.h"
#include "image/stored_file.h"
#include "platform/wide_string.h"

namespace tarn::review {

ImageLoad LoadImage(const std::string& file) {
    auto image = std::make_unique<Configuration>();
    const ImageLoadOutcome outcome = ReadImageFile(FromUtf8(file), image->info, image->cfg);
    switch (outcome.step) {
        case ImageLoadOutcome::Step::Loaded:
            return {std::move(image), {}};
        case ImageLoadOutcome::Step::NoFile:
            return {nullptr, "no image file " + file};
        case ImageLoadOutcome::Step::HeaderRefused:
            return {nullptr, file + ": " + ToUtf8(StoredFileMessage(outcome.containerCode))};
        case ImageLoadOutcome::Step::NotOpened:
            return {nullptr, file + ": the unwrapped image is no compound file that opens"};
        case ImageLoadOutcome::Step::WorkingCopyFailed:
            return {nullptr, WorkingCopyFailure(file, outcome)};
        case ImageLoadOutcome::Step::ContentFailed:
            break;
    }
    return {nullptr, file + ": the image's device record or configuration does not load"};
}

}  // namespace tarn::review
