#include "app/console/nearest_word.h"

#include <algorithm>

namespace tarn::console {

namespace {

// Edits between a and b, a swap of two neighbouring letters counting as one.
size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::optional<std::string> NearestWord(const std::string& word,
                                       const std::vector<std::string>& candidates) {
    std::optional<std::string> best;
    size_t bestDistance = 0;
    for (const std::string& candidate : candidates) {
        const size_t distance = Distance(word, candidate);
        if (!best || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    // A slip is at most a third of the word (and at least one edit); "--" does not count.
    const size_t letters =
        word.size() > 2 && word.rfind("--", 0) == 0 ? word.size() - 2 : word.size();
    if (best && bestDistance <= std::max<size_t>(1, letters / 3)) return best;
    std::optional<std::string> prefixed;
    for (const std::string& candidate : candidates) {
        if (word.size() < 2 || candidate.rfind(word, 0) != 0) continue;
        if (prefixed) return std::nullopt;  // more than one: no guess
        prefixed = candidate;
    }
    return prefixed;
}

}  // namespace tarn::console
