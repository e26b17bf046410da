#include "app/console/loaded_image.h"

#include "image/image_file.h"
#include "image/stored_file.h"
#include "platform/wide_string.h"

namespace tarn::console {

std::unique_ptr<Configuration> LoadImage(const std::string& file, ConsoleIo& io) {
    auto image = std::make_unique<Configuration>();
    const ImageLoadOutcome outcome = ReadImageFile(FromUtf8(file), image->info, image->cfg);
    switch (outcome.step) {
        case ImageLoadOutcome::Step::Loaded:
            return image;
        case ImageLoadOutcome::Step::NoFile:
            io.Error("no image file " + file);
            break;
        case ImageLoadOutcome::Step::HeaderRefused:
            io.Error(file + ": " + ToUtf8(StoredFileMessage(outcome.containerCode)));
            break;
        case ImageLoadOutcome::Step::NotOpened:
            io.Error(file + ": the unwrapped image is no compound file that opens");
            break;
        case ImageLoadOutcome::Step::WorkingCopyFailed:
            io.Error(WorkingCopyFailure(file, outcome));
            break;
        case ImageLoadOutcome::Step::ContentFailed:
            io.Error(file + ": the image's device record or configuration does not load");
            break;
    }
    return nullptr;
}

}  // namespace tarn::console
