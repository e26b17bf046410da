#include "app/console/output_target.h"

#include <filesystem>

#include "platform/win32/win32_text.h"

namespace tarn::console {

namespace fs = std::filesystem;

namespace {

// The command's texts are UTF-8; the file system's are UTF-16.
fs::path Native(const std::string& path) { return fs::path(WideFromUtf8(path)); }

const char* KindOf(fs::file_type type) {
    switch (type) {
        case fs::file_type::directory: return "a folder";
        case fs::file_type::character:
        case fs::file_type::block: return "a device";
        case fs::file_type::fifo: return "a FIFO";
        case fs::file_type::socket: return "a socket";
        default: return "no regular file";
    }
}

// The type of what stands at the path, through links; none when nothing does.
std::optional<fs::file_type> TypeAt(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(Native(path), ec);
    if (ec || status.type() == fs::file_type::not_found) return std::nullopt;
    return status.type();
}

}  // namespace

std::optional<std::string> RefusedImageTarget(const std::string& path) {
    const auto type = TypeAt(path);
    if (!type || *type == fs::file_type::regular) return std::nullopt;
    return path + " is " + KindOf(*type) +
           ": an image is only written as a regular file (nothing was read or written)";
}

bool IsExistingRegularFile(const std::string& path) { return TypeAt(path) == fs::file_type::regular; }

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    // The same file when both exist (device and inode, or the file's index);
    // otherwise the same path once made absolute.
    if (TypeAt(a) && TypeAt(b)) return fs::equivalent(Native(a), Native(b), ec) && !ec;
    const auto ca = fs::weakly_canonical(Native(a), ec);
    const auto cb = fs::weakly_canonical(Native(b), ec);
    return !ec && ca == cb;
}

}  // namespace tarn::console
