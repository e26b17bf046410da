#pragma once
// `tarn diff A.tkw B.tkw`: what differs between two images, as `tarn compare`
// lists it between an image and a drive, and what each includes.
#include <string>

namespace tarn::console {

// 0 when the images hold the same, 1 when they differ, 3 when one does not load.
int RunDiff(const std::string& a, const std::string& b, bool json);

}  // namespace tarn::console
