// The storage API as callers use it: create, write, commit, reopen and read back,
// with the results that callers rely on.
#include "platform/storage/storage.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "platform/wide_string.h"
#include "tests/image/test_files.h"

namespace tarn {
namespace {

using test::Pattern;
using test::TempDir;

constexpr DWORD kCreate = 0x1012;
constexpr DWORD kOpen = 0x10;

std::vector<uint8_t> ReadAll(IStorage* storage, const char16_t* name) {
    StgPtr<IStream> stream;
    EXPECT_EQ(storage->OpenStream(name, nullptr, kOpen, 0, stream.Out()), S_OK) << ToUtf8(name);
    if (!stream) return {};
    STATSTG stat;
    EXPECT_EQ(stream->Stat(&stat), S_OK);
    std::vector<uint8_t> bytes(stat.size);
    ULONG got = 0;
    EXPECT_EQ(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got), S_OK);
    EXPECT_EQ(got, bytes.size());
    return bytes;
}

HRESULT WriteStream(IStorage* storage, const char16_t* name, const std::vector<uint8_t>& bytes) {
    StgPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(name, kCreate, 0, 0, stream.Out());
    if (hr != S_OK) return hr;
    ULONG written = 0;
    hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    EXPECT_EQ(written, bytes.size());
    return hr;
}

// Released without Commit: in direct mode the bytes are in the file all the same.
TEST(Storage, StreamsOfEverySizeClassRoundTrip) {
    TempDir dir;
    const std::u16string path = dir.WideFile("round.stg");
    const size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 20000};
    {
        StgPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kCreate, 0, root.Out()), S_OK);
        StgPtr<IStorage> sub;
        ASSERT_EQ(root->CreateStorage(u"Sub", kCreate, 0, 0, sub.Out()), S_OK);
        for (size_t i = 0; i < std::size(sizes); ++i) {
            std::u16string name = u"S" + FromUtf8(std::to_string(sizes[i]));
            ASSERT_EQ(
                WriteStream(root.get(), name.c_str(), Pattern(sizes[i], static_cast<uint32_t>(i))),
                S_OK);
            ASSERT_EQ(WriteStream(sub.get(), name.c_str(),
                                  Pattern(sizes[i], static_cast<uint32_t>(i + 100))),
                      S_OK);
        }
    }
    EXPECT_EQ(StgIsStorageFile(path.c_str()), S_OK);
    StgPtr<IStorage> root;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, root.Out()), S_OK);
    StgPtr<IStorage> sub;
    ASSERT_EQ(root->OpenStorage(u"Sub", nullptr, kOpen, nullptr, 0, sub.Out()), S_OK);
    for (size_t i = 0; i < std::size(sizes); ++i) {
        std::u16string name = u"S" + FromUtf8(std::to_string(sizes[i]));
        EXPECT_EQ(ReadAll(root.get(), name.c_str()), Pattern(sizes[i], static_cast<uint32_t>(i)))
            << sizes[i];
        EXPECT_EQ(ReadAll(sub.get(), name.c_str()),
                  Pattern(sizes[i], static_cast<uint32_t>(i + 100)))
            << sizes[i];
    }
    // Elements listed in the format's order: by length, then case-blind.
    std::vector<STATSTG> elements;
    ASSERT_EQ(root->EnumElements(&elements), S_OK);
    ASSERT_EQ(elements.size(), std::size(sizes) + 1);
    EXPECT_EQ(elements[0].name, u"S0");
    EXPECT_EQ(elements[1].name, u"S1");
    EXPECT_EQ(elements.back().name, u"S20000");
}

TEST(Storage, CreatingReplacesAnElementOfTheSameName) {
    TempDir dir;
    const std::u16string path = dir.WideFile("replace.stg");
    {
        StgPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kCreate, 0, root.Out()), S_OK);
        ASSERT_EQ(WriteStream(root.get(), u"DV", Pattern(5000, 1)), S_OK);
        ASSERT_EQ(WriteStream(root.get(), u"DV", Pattern(7, 2)), S_OK);
        // Names differ in case only: the same element, replaced by a storage.
        ASSERT_EQ(WriteStream(root.get(), u"Porperty", Pattern(8, 3)), S_OK);
        StgPtr<IStorage> sub;
        ASSERT_EQ(root->CreateStorage(u"PORPERTY", kCreate, 0, 0, sub.Out()), S_OK);
        // Without STGM_CREATE an existing name is refused.
        StgPtr<IStream> again;
        EXPECT_EQ(root->CreateStream(u"DV", 0x12, 0, 0, again.Out()), STG_E_FILEALREADYEXISTS);
        EXPECT_FALSE(again);
        ASSERT_EQ(root->Commit(0), S_OK);
    }
    // StgCreateDocfile replaces an existing file; without STGM_CREATE it is refused.
    StgPtr<IStorage> root;
    EXPECT_EQ(StgCreateDocfile(path.c_str(), 0x12, 0, root.Out()), STG_E_FILEALREADYEXISTS);
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, root.Out()), S_OK);
    EXPECT_EQ(ReadAll(root.get(), u"dv"), Pattern(7, 2));
    std::vector<STATSTG> elements;
    ASSERT_EQ(root->EnumElements(&elements), S_OK);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[1].name, u"PORPERTY");
    EXPECT_EQ(elements[1].type, STGTY_STORAGE);
    root.Reset();
    ASSERT_EQ(StgCreateDocfile(path.c_str(), kCreate, 0, root.Out()), S_OK);
    root.Reset();
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, root.Out()), S_OK);
    ASSERT_EQ(root->EnumElements(&elements), S_OK);
    EXPECT_TRUE(elements.empty());
}

TEST(Storage, NamesAreCheckedNotCut) {
    TempDir dir;
    StgPtr<IStorage> root;
    ASSERT_EQ(StgCreateDocfile(dir.WideFile("names.stg").c_str(), kCreate, 0, root.Out()), S_OK);
    std::u16string longest(31, u'n');
    StgPtr<IStream> stream;
    EXPECT_EQ(root->CreateStream(longest.c_str(), kCreate, 0, 0, stream.Out()), S_OK);
    std::u16string tooLong(32, u'n');
    EXPECT_EQ(root->CreateStream(tooLong.c_str(), kCreate, 0, 0, stream.Out()), STG_E_INVALIDNAME);
    EXPECT_FALSE(stream);
    StgPtr<IStorage> sub;
    EXPECT_EQ(root->CreateStorage(tooLong.c_str(), kCreate, 0, 0, sub.Out()), STG_E_INVALIDNAME);
    EXPECT_EQ(root->CreateStream(u"", kCreate, 0, 0, stream.Out()), STG_E_INVALIDNAME);
    EXPECT_EQ(root->CreateStream(u"a/b", kCreate, 0, 0, stream.Out()), STG_E_INVALIDNAME);
    EXPECT_EQ(root->OpenStream(tooLong.c_str(), nullptr, kOpen, 0, stream.Out()),
              STG_E_INVALIDNAME);
    std::vector<STATSTG> elements;
    ASSERT_EQ(root->EnumElements(&elements), S_OK);
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].name, longest);
}

TEST(Storage, ReadOnlyRootRefusesChangesAndMissingElementsFail) {
    TempDir dir;
    const std::u16string path = dir.WideFile("ro.stg");
    {
        StgPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kCreate, 0, root.Out()), S_OK);
        ASSERT_EQ(WriteStream(root.get(), u"Version", Pattern(16, 1)), S_OK);
        StgPtr<IStorage> sub;
        ASSERT_EQ(root->CreateStorage(u"Sub", kCreate, 0, 0, sub.Out()), S_OK);
    }
    StgPtr<IStorage> root;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, root.Out()), S_OK);
    StgPtr<IStream> stream;
    EXPECT_EQ(root->CreateStream(u"New", kCreate, 0, 0, stream.Out()), STG_E_ACCESSDENIED);
    EXPECT_EQ(root->OpenStream(u"Missing", nullptr, kOpen, 0, stream.Out()), STG_E_FILENOTFOUND);
    EXPECT_FALSE(stream);
    // A storage is not a stream, nor the other way round.
    EXPECT_EQ(root->OpenStream(u"Sub", nullptr, kOpen, 0, stream.Out()), STG_E_FILENOTFOUND);
    StgPtr<IStorage> sub;
    EXPECT_EQ(root->OpenStorage(u"Version", nullptr, kOpen, nullptr, 0, sub.Out()),
              STG_E_FILENOTFOUND);
    ASSERT_EQ(root->OpenStream(u"Version", nullptr, kOpen, 0, stream.Out()), S_OK);
    uint8_t byte = 0;
    EXPECT_EQ(stream->Write(&byte, 1, nullptr), STG_E_ACCESSDENIED);
    // A read past the end brings what there is and says so.
    uint8_t buffer[20];
    ULONG got = 0;
    EXPECT_EQ(stream->Read(buffer, sizeof buffer, &got), S_FALSE);
    EXPECT_EQ(got, 16u);
    // The file is held for exclusive use while open.
    StgPtr<IStorage> second;
    EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, second.Out()),
              STG_E_ACCESSDENIED);
    // Once the root goes, elements still open are cut off.
    root.Reset();
    EXPECT_EQ(stream->Read(buffer, 1, &got), STG_E_REVERTED);
    stream.Reset();
    EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, second.Out()), S_OK);
}

TEST(Storage, FilesThatAreNotCompoundFiles) {
    TempDir dir;
    const std::u16string missing = dir.WideFile("missing.stg");
    StgPtr<IStorage> root;
    EXPECT_EQ(StgOpenStorage(missing.c_str(), nullptr, kOpen, nullptr, 0, root.Out()),
              STG_E_FILENOTFOUND);
    EXPECT_EQ(StgIsStorageFile(missing.c_str()), STG_E_FILENOTFOUND);
    test::WriteFileBytes(dir.File("text.stg"), std::vector<uint8_t>(600, 'x'));
    const std::u16string text = dir.WideFile("text.stg");
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
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 16384;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    HRESULT hr = root->Commit(0);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(hr, STG_E_MEDIUMFULL);
    EXPECT_EQ(root->Commit(0), S_OK);
}

}  // namespace
}  // namespace tarn
