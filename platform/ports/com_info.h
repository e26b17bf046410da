#pragma once
// The record that an item of the port list points at.
#include <string>

namespace tarn {

struct _tagComInfo {
    int nComPort = 0;
    std::u16string strFriendlyName;
};

}  // namespace tarn
