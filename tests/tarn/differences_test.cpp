// The differences between two configurations, as `tarn compare`, `diff` and
// `download --verify` list them: word ranges, items one side lacks, and how
// items a download does not write and status items are kept apart.
#include "review/differences.h"

#include <gtest/gtest.h>

#include "app/console/difference_view.h"

namespace tarn::test {
namespace {

using console::DifferencesJson;
using console::RenderDifferences;
using console::Sides;
using nlohmann::ordered_json;
using review::CompareScope;
using review::UnwrittenItems;

// Ordinary groups 0 to 5 of `values.size()` items (one extra group when
// `extra`), each item holding `values[n]` on three axes.
void Parameters(CParaMgr& mgr, const std::vector<std::array<int64_t, 3>>& values,
                bool extra = false) {
    mgr.m_nAxes = 3;
    mgr.m_nGroupCount = 6;
    mgr.m_nExtCount1 = extra;
    mgr.m_pGroupCap.assign(6 + extra, static_cast<int32_t>(values.size()));
    mgr.m_ppItems.assign(6 + extra, std::vector<CParaItem>(values.size()));
    for (int k = 0; k < mgr.GroupCount(); ++k)
        for (size_t n = 0; n < values.size(); ++n) {
            CParaItem& item = mgr.m_ppItems[k][n];
            item.m_nGroup = mgr.GroupNumber(k);
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
    Parameters(pb, {{1, 1, 1}});
    pb.m_ppItems[1][0].m_Value[2] = 2;
    CompareScope scope;
    const Sides sides{"a", "b"};
    const auto c = review::Compare({info, a, pa}, {info, b, pb}, scope);
    const ordered_json d = DifferencesJson(c.differences, sides);

    ASSERT_EQ(d.size(), 8u) << d.dump(1);  // DH, P1-00 z, and P0-01 ... P5-01 once each
    EXPECT_EQ(d[0]["aWords"], 20);
    EXPECT_EQ(d[0]["bWords"], 22);
    EXPECT_EQ(d[0]["ranges"],
              ordered_json::parse(R"([{"first": 3, "count": 2, "a": [0, 0], "b": [1, 1]},
                                      {"first": 10, "count": 7, "a": [0, 0, 0, 0], "b": [7, 7, 7, 7]}])"));
    EXPECT_EQ(d[1], ordered_json::parse(
                        R"({"what": "parameter", "id": "P0-01", "axis": 0, "a": "5", "b": null})"));
    EXPECT_EQ(d[2], ordered_json::parse(
                        R"({"what": "parameter", "id": "P1-00", "axis": 2, "a": "1", "b": "2"})"));
    const std::string text = RenderDifferences(c, sides, "same");
    for (const char* line :
         {"DH words         a 20", "DH 3..4          a 0000 0000",
          "DH 10..16        a 0000 0000 0000 0000 ...",
          "P0-01 x          a 5                        b (none)", "8 differences."})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    EXPECT_EQ(RenderDifferences({}, sides, "same"), "same\n");
}

// Items a download does not write (skip bits, extra groups) and status items
// (P5-02), each differing on axis x, under each way of treating them.
TEST(Differences, ItemsADownloadDoesNotWriteAndStatusItems) {
    CDevInfo info;
    CCfgExchange a, b;
    a.IncludePara = b.IncludePara = 1;
    CParaMgr pa, pb;
    Parameters(pa, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, true);
    Parameters(pb, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, true);
    pa.m_ppItems[1][0].m_Cfg[6] = pb.m_ppItems[1][0].m_Cfg[6] = 0x0010;  // skip bit: P1-00
    for (auto [k, n] : {std::pair{1, 0}, {2, 1}, {5, 2}, {6, 0}})  // P1-00, P2-01, P5-02, P-1-00
        pb.m_ppItems[k][n].m_Value[0] = 9;
    struct Case {
        UnwrittenItems unwritten;
        bool statusItems;
        std::vector<std::string> differences, notWritten, notCompared;
    } cases[] = {
        {UnwrittenItems::Compare, true, {"P-1-00", "P1-00", "P2-01", "P5-02"}, {}, {}},
        {UnwrittenItems::Separate, false, {"P2-01"}, {"P-1-00", "P1-00"}, {"P5-01", "P5-02"}},
        {UnwrittenItems::Skip, false, {"P2-01"}, {}, {"P5-01", "P5-02", "parameters"}},
    };
    auto ids = [](const auto& list) {
        std::vector<std::string> out;
        for (const auto& d : list) out.push_back(d.name);
        return out;
    };
    for (const Case& c : cases) {
        CompareScope scope;
        scope.unwritten = c.unwritten;
        scope.statusItems = c.statusItems;
        const auto result = review::Compare({info, a, pa}, {info, b, pb}, scope);
        EXPECT_EQ(ids(result.differences), c.differences) << int(c.unwritten);
        EXPECT_EQ(ids(result.notWritten), c.notWritten) << int(c.unwritten);
        std::vector<std::string> notCompared;
        for (const auto& n : result.notCompared) notCompared.push_back(n.what);
        EXPECT_EQ(notCompared, c.notCompared) << int(c.unwritten);
        if (c.unwritten == UnwrittenItems::Skip) {
            EXPECT_EQ(result.notCompared.back().items, 4);
        }
    }
}

}  // namespace
}  // namespace tarn::test
