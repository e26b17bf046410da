// A full disk, as a file-size limit makes one on Linux: the storage never
// reports a file written that is not whole.
#include <gtest/gtest.h>

#include "platform/storage/storage.h"
#include "tests/image/file_size_limit.h"
#include "tests/image/test_files.h"

namespace tarn {
namespace {

using namespace test;

TEST(Storage, AFileThatCannotBeWrittenIsNeverReportedWritten) {
    TempDir dir;
    StgPtr<IStorage> root;
    ASSERT_EQ(StgCreateDocfile(dir.WideFile("full.stg").c_str(), kCreate, 0, root.Out()), S_OK);
    ASSERT_EQ(WriteStream(root.get(), u"Big", Pattern(100000, 1)), S_OK);
    // The file may grow to 16 KiB only, as on a full disk.
    HRESULT hr = S_OK;
    {
        FileSizeLimit limit(16384);
        hr = root->Commit(0);
    }
    EXPECT_EQ(hr, STG_E_MEDIUMFULL);
    EXPECT_EQ(root->Commit(0), S_OK);
}

}  // namespace
}  // namespace tarn
