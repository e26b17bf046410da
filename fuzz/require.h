#pragma once
// A fuzz target's invariant: when it breaks, the input is a finding.
#include <cstdio>
#include <cstdlib>

namespace tarn::fuzz {

inline void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace tarn::fuzz
