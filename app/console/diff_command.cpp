#include "app/console/diff_command.h"

#include <unistd.h>

#include <cstdio>

#include "app/console/difference_view.h"
#include "app/console/json_text.h"
#include "app/console/loaded_image.h"
#include "review/differences.h"

namespace tarn::console {

int RunDiff(const std::string& a, const std::string& b, bool json) {
    ConsoleIo io(stdout, stderr, STDIN_FILENO, false);
    const auto imageA = LoadImage(a, io);
    const auto imageB = imageA ? LoadImage(b, io) : nullptr;
    if (!imageB) return 3;
    review::CompareScope scope;
    scope.imageFields = true;
    const Sides sides{"a", "b"};
    const review::Comparison comparison =
        review::Compare(review::SideOf(*imageA), review::SideOf(*imageB), scope);
    const auto& differences = comparison.differences;
    if (json) {
        const nlohmann::ordered_json document = {
            {"command", "diff"},
            {"a", a},
            {"b", b},
            {"result", differences.empty() ? "match" : "differs"},
            {"differences", DifferencesJson(differences, sides)}};
        std::printf("%s\n", JsonText(document).c_str());
    } else {
        std::printf("a: %s\nb: %s\n%s", a.c_str(), b.c_str(),
                    RenderDifferences(comparison, sides, "The images hold the same.").c_str());
    }
    std::fflush(stdout);
    return differences.empty() ? 0 : 1;
}

}  // namespace tarn::console
