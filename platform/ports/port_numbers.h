#pragma once
// Port numbers that stay with a device from run to run: the profile keeps a table
// of number=identity lines, and a device seen for the first time takes the lowest
// number not yet given to any device.
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile/profile.h"

namespace tarn {

inline constexpr std::u16string_view kSectionPortNumbers = u"PortNumbers";

// One number per identity, in the order given; new identities are added to the
// table. A table line with a number below 1, or with a number or an identity
// that an earlier line already holds, is not honoured.
std::vector<int> AssignPortNumbers(IProfile& profile, const std::vector<std::string>& identities);

}  // namespace tarn
