#include "app/comparison_report.h"

#include "platform/wide_string.h"
#include "review/difference_rows.h"

namespace tarn {

namespace {

void AddRows(TableReport& report, const std::vector<review::Difference>& differences) {
    for (const review::Difference& difference : differences)
        for (const review::DifferenceRow& row : review::RowsOf(difference))
            report.rows.push_back({FromUtf8(row.what), FromUtf8(row.axis), FromUtf8(row.a), FromUtf8(row.b)});
}

}  // namespace

TableReport ComparisonReport(const review::Comparison& comparison, const std::u16string& title,
                             const std::u16string& sideA, const std::u16string& sideB,
                             const std::string& matchText) {
    TableReport report;
    report.title = title;
    report.columns = {u"What", u"Axis", sideA, sideB};
    AddRows(report, comparison.differences);
    if (!comparison.notWritten.empty()) {
        report.rows.push_back({FromUtf8(review::kNotWrittenHeading), u"", u"", u""});
        AddRows(report, comparison.notWritten);
    }
    report.summary = FromUtf8(review::Summary(comparison, matchText));
    for (const std::string& line : review::NotComparedLines(comparison)) report.summary += u"\n" + FromUtf8(line);
    return report;
}

std::u16string FirstDifferences(const review::Comparison& comparison, size_t count) {
    std::u16string text;
    size_t shown = 0;
    for (const review::Difference& difference : comparison.differences)
        for (const review::DifferenceRow& row : review::RowsOf(difference)) {
            if (shown++ == count) return text + u"\n...";
            text += u"\n" + FromUtf8(row.what) + (row.axis.empty() ? u"" : u" " + FromUtf8(row.axis)) + u": image " +
                    FromUtf8(row.a) + u", drive " + FromUtf8(row.b);
        }
    return text;
}

}  // namespace tarn
