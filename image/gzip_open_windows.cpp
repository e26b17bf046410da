#include "image/gzip_open.h"

#include "platform/win32/win32_text.h"

namespace tarn {

gzFile OpenGzip(const std::u16string& path, const char* mode) {
    return gzopen_w(WideFromU16(path).c_str(), mode);
}

}  // namespace tarn
