#include "platform/ports/port_numbers.h"

#include <map>
#include <set>

#include "platform/profile/ini_document.h"
#include "platform/wide_string.h"

namespace tarn {

std::vector<int> AssignPortNumbers(IProfile& profile, const std::vector<std::string>& identities) {
    std::map<std::string, int> known;
    std::set<int> taken;
    for (const auto& [key, value] : profile.GetProfileSection(kSectionPortNumbers)) {
        int number = ParseProfileInt(key, 0);
        std::string identity = ToUtf8(value);
        if (number < 1 || identity.empty() || taken.count(number) || known.count(identity))
            continue;
        known.emplace(std::move(identity), number);
        taken.insert(number);
    }

    std::vector<int> numbers;
    int candidate = 1;
    for (const std::string& identity : identities) {
        auto it = known.find(identity);
        if (it == known.end()) {
            while (taken.count(candidate)) ++candidate;
            it = known.emplace(identity, candidate).first;
            taken.insert(candidate);
            // A profile that cannot be written only costs the number's permanence.
            profile.WriteProfileString(kSectionPortNumbers, Widen(std::to_string(candidate)),
                                       FromUtf8(identity));
        }
        numbers.push_back(it->second);
    }
    return numbers;
}

}  // namespace tarn
