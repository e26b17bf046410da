#include "app/console/diff_command.h"

#include <unistd.h>

#include <cstdio>

#include "app/console/difference_view.h"
#include "app/console/json_text.h"
#include "app/console/loaded_image.h"
#include "review/differences.h"

namespace tarn::console {

namespace {

nlohmann::ordered_json Document(const std::string& a, const std::string& b, const nlohmann::ordered_json& differences) {
    return {{"command", "diff"},
            {"a", a},
            {"b", b},
            {"result", differences.empty() ? "match" : "differs"},
            {"differences", differences},
            {"error", nullptr}};
}

}  // namespace

int RunDiff(const std::string& a, const std::string& b, bool json) {
    ConsoleIo io(stdout, stderr, STDIN_FILENO, false);
    const auto imageA = LoadImage(a, io);
    const auto imageB = imageA ? LoadImage(b, io) : nullptr;
    if (!imageB) {
        if (json) {
            nlohmann::ordered_json document = FailureDocument(Document(a, b, {}), io.LastReason());
            document["command"] = "diff";
            document["a"] = a;
            document["b"] = b;
            document["result"] = "unreadable";
            std::printf("%s\n", JsonText(document).c_str());
        }
        return 3;
    }
    review::CompareScope scope;
    scope.imageFields = true;
    const Sides sides{"a", "b"};
    const review::Comparison comparison =
        review::Compare(review::SideOf(*imageA), review::SideOf(*imageB), scope);
    const auto& differences = comparison.differences;
    if (json) {
        std::printf("%s\n", JsonText(Document(a, b, DifferencesJson(differences, sides))).c_str());
    } else {
        std::printf("a: %s\nb: %s\n%s", a.c_str(), b.c_str(),
                    RenderDifferences(comparison, sides, "The images hold the same.").c_str());
    }
    std::fflush(stdout);
    return differences.empty() ? 0 : 1;
}

}  // namespace tarn::console
