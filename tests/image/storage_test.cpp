// The storage API as callers use it: create, replace, name, reopen and read back,
// with the results that callers rely on. Round trips of every stream size are in
// crosscheck_test.cpp.
#include "platform/storage/storage.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "tests/image/test_files.h"

namespace tarn {
namespace {

using namespace test;

TEST(Storage, ReplacingNamingAndListingOrder) {
    TempDir dir;
    const std::u16string path = dir.WideFile("replace.stg");
    const std::u16string longest(31, u'n'), tooLong(32, u'n');
    {
        StgPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kCreate, 0, root.Out()), S_OK);
        ASSERT_EQ(WriteStream(root.get(), longest, {}), S_OK);
        // A stream in its own sectors replaced by a small one; names that differ in
        // case only are one element, here replaced by a storage.
        ASSERT_EQ(WriteStream(root.get(), u"DV", Pattern(5000, 1)), S_OK);
        ASSERT_EQ(WriteStream(root.get(), u"DV", Pattern(7, 2)), S_OK);
        ASSERT_EQ(WriteStream(root.get(), u"Porperty", Pattern(8, 3)), S_OK);
        StgPtr<IStorage> sub, bad;
        ASSERT_EQ(root->CreateStorage(u"PORPERTY", kCreate, 0, 0, sub.Out()), S_OK);
        // Names are checked, never cut.
        StgPtr<IStream> s;
        for (const std::u16string& name : {tooLong, std::u16string(), std::u16string(u"a/b")})
            EXPECT_EQ(root->CreateStream(name.c_str(), kCreate, 0, 0, s.Out()), STG_E_INVALIDNAME);
        EXPECT_EQ(root->CreateStorage(tooLong.c_str(), kCreate, 0, 0, bad.Out()),
                  STG_E_INVALIDNAME);
        EXPECT_EQ(root->OpenStream(tooLong.c_str(), nullptr, kOpen, 0, s.Out()), STG_E_INVALIDNAME);
        // Without STGM_CREATE an existing name is refused.
        EXPECT_EQ(root->CreateStream(u"DV", 0x12, 0, 0, s.Out()), STG_E_FILEALREADYEXISTS);
        EXPECT_FALSE(s);
        EXPECT_FALSE(bad);
    }
    StgPtr<IStorage> root;
    EXPECT_EQ(StgCreateDocfile(path.c_str(), 0x12, 0, root.Out()), STG_E_FILEALREADYEXISTS);
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, root.Out()), S_OK);
    EXPECT_EQ(ReadStream(root.get(), u"dv"), Pattern(7, 2));
    // Listed in the format's order (by length, then case-blind), not as created.
    std::vector<STATSTG> elements;
    ASSERT_EQ(root->EnumElements(&elements), S_OK);
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0].name, u"DV");
    EXPECT_EQ(elements[1].name, u"PORPERTY");
    EXPECT_EQ(elements[1].type, STGTY_STORAGE);
    EXPECT_EQ(elements[2].name, longest);
    // StgCreateDocfile with STGM_CREATE replaces the file.
    root.Reset();
    ASSERT_EQ(StgCreateDocfile(path.c_str(), kCreate, 0, root.Out()), S_OK);
    root.Reset();
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, root.Out()), S_OK);
    ASSERT_EQ(root->EnumElements(&elements), S_OK);
    EXPECT_TRUE(elements.empty());
}

TEST(Storage, ReadOnlyRootsMissingElementsAndFilesThatAreNotCompoundFiles) {
    TempDir dir;
    const std::u16string path = dir.WideFile("ro.stg");
    {
        StgPtr<IStorage> root, sub;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kCreate, 0, root.Out()), S_OK);
        ASSERT_EQ(WriteStream(root.get(), u"Version", Pattern(16, 1)), S_OK);
        ASSERT_EQ(root->CreateStorage(u"Sub", kCreate, 0, 0, sub.Out()), S_OK);
    }
    EXPECT_EQ(StgIsStorageFile(path.c_str()), S_OK);
    StgPtr<IStorage> root, sub, second;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, root.Out()), S_OK);
    StgPtr<IStream> stream;
    EXPECT_EQ(root->CreateStream(u"New", kCreate, 0, 0, stream.Out()), STG_E_ACCESSDENIED);
    EXPECT_EQ(root->OpenStream(u"Missing", nullptr, kOpen, 0, stream.Out()), STG_E_FILENOTFOUND);
    // A storage is not a stream, nor the other way round.
    EXPECT_EQ(root->OpenStream(u"Sub", nullptr, kOpen, 0, stream.Out()), STG_E_FILENOTFOUND);
    EXPECT_EQ(root->OpenStorage(u"Version", nullptr, kOpen, nullptr, 0, sub.Out()),
              STG_E_FILENOTFOUND);
    ASSERT_EQ(root->OpenStream(u"Version", nullptr, kOpen, 0, stream.Out()), S_OK);
    uint8_t buffer[20] = {};
    EXPECT_EQ(stream->Write(buffer, 1, nullptr), STG_E_ACCESSDENIED);
    // A read past the end brings what there is and says so.
    ULONG got = 0;
    EXPECT_EQ(stream->Read(buffer, sizeof buffer, &got), S_FALSE);
    EXPECT_EQ(got, 16u);
    // The file is held for exclusive use while open; once the root goes, elements
    // still open are cut off.
    EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, second.Out()),
              STG_E_ACCESSDENIED);
    root.Reset();
    EXPECT_EQ(stream->Read(buffer, 1, &got), STG_E_REVERTED);
    stream.Reset();
    EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, second.Out()), S_OK);

    // Files that are not compound files.
    const std::u16string missing = dir.WideFile("missing.stg"), text = dir.WideFile("text.stg");
    EXPECT_EQ(StgOpenStorage(missing.c_str(), nullptr, kOpen, nullptr, 0, root.Out()),
              STG_E_FILENOTFOUND);
    EXPECT_EQ(StgIsStorageFile(missing.c_str()), STG_E_FILENOTFOUND);
    WriteFileBytes(dir.File("text.stg"), std::string(600, 'x'));
    EXPECT_EQ(StgIsStorageFile(text.c_str()), S_FALSE);
    EXPECT_TRUE(FAILED(StgOpenStorage(text.c_str(), nullptr, kOpen, nullptr, 0, root.Out())));
    EXPECT_FALSE(root);
    // Transacted mode is not offered.
    EXPECT_EQ(
        StgCreateDocfile(dir.WideFile("t.stg").c_str(), kCreate | STGM_TRANSACTED, 0, root.Out()),
        STG_E_INVALIDFLAG);
    EXPECT_EQ(StgCreateDocfile(dir.WideFile("nodir/x.stg").c_str(), kCreate, 0, root.Out()),
              STG_E_FILENOTFOUND);
}

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
