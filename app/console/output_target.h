#pragma once
// Files the `tarn` command writes of its own (an image, a line trace): what may
// stand at their path before they are written.
#include <optional>
#include <string>

namespace tarn::console {

// Why an image may not be written at `path`, or none: an image only ever
// replaces a regular file (or a symbolic link to one); a device node, a FIFO,
// a socket or a folder is left alone.
std::optional<std::string> RefusedImageTarget(const std::string& path);

// Whether `path` names a regular file that is there (directly or through a link).
bool IsExistingRegularFile(const std::string& path);

// Whether the two paths name the same file: the same inode when both exist,
// otherwise the same path once made absolute.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace tarn::console
