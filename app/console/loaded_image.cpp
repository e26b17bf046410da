#include "app/console/loaded_image.h"

namespace tarn::console {

std::unique_ptr<Configuration> LoadImage(const std::string& file, ConsoleIo& io) {
    review::ImageLoad load = review::LoadImage(file);
    if (!load.image) io.Error(load.failure);
    return std::move(load.image);
}

}  // namespace tarn::console
