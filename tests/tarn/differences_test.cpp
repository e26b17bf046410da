// The differences between two configurations, as `tarn compare`, `diff` and
// `download --verify` list them: word ranges, items one side lacks, the scope.
#include <gtest/gtest.h>

#include "app/console/config_differences.h"

namespace tarn::test {
namespace {

using console::CompareScope;
using console::Differences;
using console::RenderDifferences;
using console::Sides;
using nlohmann::ordered_json;

// One ordinary group of `values.size()` items on three axes.
void Parameters(CParaMgr& mgr, const std::vector<std::array<int64_t, 3>>& values) {
    mgr.m_nAxes = 3;
    mgr.m_nGroupCount = 1;
    mgr.m_pGroupCap = {static_cast<int32_t>(values.size())};
    mgr.m_ppItems.assign(1, std::vector<CParaItem>(values.size()));
    for (size_t n = 0; n < values.size(); ++n) {
        CParaItem& item = mgr.m_ppItems[0][n];
        item.m_nItem = static_cast<int32_t>(n);
        for (int axis = 0; axis < 3; ++axis) item.m_Value[axis] = values[n][axis];
    }
}

TEST(Differences, WordRangesAndItemsOneSideLacks) {
    CDevInfo info;
    CCfgExchange a, b;
    CParaMgr pa, pb;
    a.IncludeDH = b.IncludeDH = a.IncludePara = b.IncludePara = 1;
    a.DHData.emplace(20, 0);
    b.DHData.emplace(22, 0);
    (*b.DHData)[3] = (*b.DHData)[4] = 1;
    for (size_t i = 10; i < 17; ++i) (*b.DHData)[i] = 7;
    Parameters(pa, {{1, 1, 1}, {5, 5, 5}});
    Parameters(pb, {{1, 1, 2}});
    const Sides sides{"a", "b"};
    CompareScope scope;
    const ordered_json d = Differences({info, a, pa}, {info, b, pb}, scope, sides);

    ASSERT_EQ(d.size(), 3u) << d.dump(1);
    EXPECT_EQ(d[0]["aWords"], 20);
    EXPECT_EQ(d[0]["bWords"], 22);
    EXPECT_EQ(d[0]["ranges"],
              ordered_json::parse(R"([{"first": 3, "count": 2, "a": [0, 0], "b": [1, 1]},
                                                      {"first": 10, "count": 7, "a": [0, 0, 0, 0], "b": [7, 7, 7, 7]}])"));
    EXPECT_EQ(d[1], ordered_json::parse(
                        R"({"what": "parameter", "id": "P0-00", "axis": 2, "a": "1", "b": "2"})"));
    EXPECT_EQ(d[2], ordered_json::parse(
                        R"({"what": "parameter", "id": "P0-01", "axis": 0, "a": "5", "b": null})"));
    const std::string text = RenderDifferences(d, sides, "same");
    for (const char* line :
         {"DH words         a 20", "DH 3..4          a 0000 0000",
          "DH 10..16        a 0000 0000 0000 0000 ...",
          "P0-01 x          a 5                        b (none)", "3 differences."})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;

    // What a download does not write is not verified; nothing left is "same".
    pa.m_ppItems[0][0].m_Cfg[6] = kAttrNotDownloaded;
    pb.m_ppItems[0][0].m_Cfg[6] = kAttrNotDownloaded;
    pb.m_ppItems[0].push_back(pa.m_ppItems[0][1]);
    scope.dh = false;
    scope.downloadableOnly = true;
    const ordered_json none = Differences({info, a, pa}, {info, b, pb}, scope, sides);
    EXPECT_TRUE(none.empty()) << none.dump(1);
    EXPECT_EQ(RenderDifferences(none, sides, "same"), "same\n");
}

}  // namespace
}  // namespace tarn::test
