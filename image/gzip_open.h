#pragma once
// Opens a gzip file for writing by its UTF-16 path: zlib's gzopen takes the
// bytes of a UTF-8 path on Linux, gzopen_w the wide path on Windows.
#include <zlib.h>

#include <string>

namespace tarn {

gzFile OpenGzip(const std::u16string& path, const char* mode);

}  // namespace tarn
