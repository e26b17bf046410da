// The fault matrix's rows that must finish: whatever the line does to one
// reply in a hundred (and, for the faults that cost no time-out, to far more),
// an upload saves the image a clean line gives, byte for byte, and a download
// leaves the drive as a clean download does. The whole table, with the rows
// that may fail, is bench/fault_matrix.
#include <gtest/gtest.h>
#include <unistd.h>

#include <ostream>

#include "tests/common/fault_matrix.h"

namespace tarn::test {

namespace {

struct Row {
    FaultKind kind;
    double percent;
};
void PrintTo(const Row& row, std::ostream* os) { *os << FaultName(row.kind) << " at " << row.percent << " %"; }

class FaultMatrixRow : public ::testing::TestWithParam<Row> {};

}  // namespace

TEST_P(FaultMatrixRow, UploadAndDownloadFinishExact) {
    const Row row = GetParam();
    const auto dir = std::filesystem::path(::testing::TempDir()) / ("tarn-matrix-" + std::to_string(::getpid()));
    {
        FaultMatrix matrix(dir);
        for (const bool upload : {true, false}) {
            const TransferOutcome o =
                upload ? matrix.Upload(row.kind, row.percent, 7) : matrix.Download(row.kind, row.percent, 7);
            EXPECT_GT(o.faults, 0) << "the line was not spoiled at all";
            EXPECT_TRUE(o.finished && o.exact)
                << (upload ? "upload " : "download ") << (o.finished ? "finished with a wrong value" : "failed")
                << " at " << o.stage << " " << o.message;
        }
    }
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(MustFinish, FaultMatrixRow,
                         ::testing::Values(Row{FaultKind::Noise, 20}, Row{FaultKind::BadCrc, 5},
                                           Row{FaultKind::BadCheck, 1}, Row{FaultKind::Dropped, 1},
                                           Row{FaultKind::Late, 1}, Row{FaultKind::Split, 20},
                                           Row{FaultKind::Foreign, 20}),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             std::string name = FaultName(info.param.kind);
                             std::erase(name, ' ');
                             return name + std::to_string(static_cast<int>(info.param.percent));
                         });

}  // namespace tarn::test
