#include "image/gzip_open.h"

#include "platform/wide_string.h"

namespace tarn {

gzFile OpenGzip(const std::u16string& path, const char* mode) { return gzopen(ToUtf8(path).c_str(), mode); }

}  // namespace tarn
