// Writes the download tests' sample image (Program, DV, DH and MH, no
// parameters) for the Windows window's end-to-end test: no upload makes one
// with the Program part.
#include <cstdio>

#include "tests/common/sample_image.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarn-sample-image FILE.tkw\n");
        return 2;
    }
    return tarn::test::WriteSampleImage(argv[1], 20) ? 0 : 1;
}
