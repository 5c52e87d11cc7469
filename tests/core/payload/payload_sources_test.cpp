#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>

#include "core/common/errors.h"
#include "core/common/path.h"
#include "core/payload/folder_payload_source.h"
#include "core/payload/packed_payload_source.h"
#include "core/payload/zip_payload_source.h"
#include "payload_test_support.h"

namespace Ravenquill::Core {
namespace {

using namespace Testing;

std::vector<std::byte> ReadAll(ReadStream& stream) { return stream.ReadToEnd(); }

std::wstring TestData(const std::wstring& name) {
    const char* root = std::getenv("RQ_TEST_DATA");
    return Path::Combine(Text::FromUtf8(root ? root : "tests/data"), L"payload", name);
}

std::vector<std::wstring> PathsOf(const PayloadSource& source) {
    std::vector<std::wstring> paths;
    for (const auto& entry : source.Entries()) paths.push_back(entry.RelativePath);
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(ZipPayloadSource, SkipsDirectoryEntriesOfAZipToolArchive) {
    ZipPayloadSource source(OpenFileForRead(TestData(L"made_by_zip.zip")));
    EXPECT_EQ(PathsOf(source), (std::vector<std::wstring>{L"bin\\tool.exe", L"docs\\readme.txt"}));
    EXPECT_EQ(source.TotalBytes(), 12);
    for (const auto& entry : source.Entries()) {
        if (entry.RelativePath != L"docs\\readme.txt") continue;
        EXPECT_EQ(ReadAll(*entry.Open()), Bytes("read me\n"));
        EXPECT_EQ(ReadAll(*entry.Open()), Bytes("read me\n")) << "two opens, two independent streams";
    }
}

TEST(ZipPayloadSource, EmptyArchiveCorruptArchiveAndStreamAfterDispose) {
    // The end-of-directory record alone is an archive without entries.
    std::vector<std::byte> empty = Bytes("PK\x05\x06");
    empty.resize(22);
    ZipPayloadSource none(std::make_unique<MemoryReadStream>(empty));
    EXPECT_TRUE(none.Entries().empty());
    EXPECT_EQ(none.TotalBytes(), 0);
    EXPECT_THROW(ZipPayloadSource(std::make_unique<MemoryReadStream>(Bytes("not a zip at all"))), InvalidDataException);

    auto source = std::make_unique<ZipPayloadSource>(OpenFileForRead(TestData(L"made_by_zip.zip")));
    const PayloadEntry entry = source->Entries()[0];
    auto stream = entry.Open();
    source.reset();
    std::vector<std::byte> buffer(16);
    EXPECT_THROW(stream->Read(buffer), ObjectDisposedException);
    EXPECT_THROW(entry.Open(), ObjectDisposedException);
}

struct ZipItem {
    std::string Name;
    std::string Data;
    zip_uint8_t System;  // the "made by" system of the entry
    zip_int32_t Method;
};

// An archive written by the zip layer itself, so that each entry's "made by" system can be chosen.
std::vector<std::byte> MakeZip(const TempFolder& folder, const std::vector<ZipItem>& items) {
    const std::string path = Utf8(folder.Path("made.zip"));
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(archive, nullptr);
    for (const ZipItem& item : items) {
        zip_source_t* data = zip_source_buffer(archive, item.Data.data(), item.Data.size(), 0);
        const zip_int64_t index = zip_file_add(archive, item.Name.c_str(), data, ZIP_FL_ENC_RAW);
        EXPECT_GE(index, 0) << item.Name;
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), item.Method, 0);
        zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, item.System, 0);
    }
    EXPECT_EQ(zip_close(archive), 0);
    return ReadAllBytes(folder.Path("made.zip"));
}

TEST(ZipPayloadSource, NamePartRuleFollowsTheSystemThatMadeTheEntry) {
    TempFolder folder;
    const std::string text(5000, 'z');
    const auto bytes = MakeZip(folder, {
                                           {"dos\\", "", ZIP_OPSYS_DOS, ZIP_CM_STORE},
                                           {"drive:", "", ZIP_OPSYS_DOS, ZIP_CM_STORE},
                                           {"unix\\", "u", ZIP_OPSYS_UNIX, ZIP_CM_STORE},
                                           {"dir/", "", ZIP_OPSYS_UNIX, ZIP_CM_STORE},
                                           {"dir/deflated.txt", text, ZIP_OPSYS_DOS, ZIP_CM_DEFLATE},
                                           {"\xD0\xB4\xD0\xB0.txt", "da", ZIP_OPSYS_DOS, ZIP_CM_STORE},
                                       });
    ZipPayloadSource source(std::make_unique<MemoryReadStream>(bytes));
    EXPECT_EQ(PathsOf(source), (std::vector<std::wstring>{L"dir\\deflated.txt", L"unix\\", L"да.txt"}));
    for (const auto& entry : source.Entries()) {
        if (entry.RelativePath == L"dir\\deflated.txt") {
            EXPECT_EQ(entry.Length, 5000);
            EXPECT_EQ(ReadAll(*entry.Open()), Bytes(text));
        }
    }
}

TEST(ZipPayloadSource, ContentThatFailsItsChecksumIsAnError) {
    TempFolder folder;
    auto bytes = MakeZip(folder, {{"a.txt", "checked content", ZIP_OPSYS_UNIX, ZIP_CM_STORE}});
    const auto needle = Bytes("checked");
    const auto at = std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end());
    ASSERT_NE(at, bytes.end());
    *at = std::byte{'C'};
    ZipPayloadSource source(std::make_unique<MemoryReadStream>(bytes));
    ASSERT_EQ(source.Entries().size(), 1u);
    EXPECT_THROW(ReadAll(*source.Entries()[0].Open()), InvalidDataException);
}

TEST(FolderPayloadSource, ListsNestedAndHiddenFilesRelativeToTheRoot) {
    TempFolder folder;
    folder.Write("sub/file.txt", Bytes("abc"));
    folder.Write(".hidden", Bytes("h"));
    folder.MakeFolder("empty/deeper");
    FolderPayloadSource source(folder.Path());
    EXPECT_EQ(PathsOf(source), (std::vector<std::wstring>{L".hidden", L"sub\\file.txt"}));
    EXPECT_EQ(source.TotalBytes(), 4);
    for (const auto& entry : source.Entries()) {
        if (entry.RelativePath == L"sub\\file.txt") {
            EXPECT_EQ(ReadAll(*entry.Open()), Bytes("abc"));
        }
    }

    // A folder source holds nothing open: its entries still open once it is gone.
    auto owned = std::make_unique<FolderPayloadSource>(folder.Path());
    const PayloadEntry kept = owned->Entries()[0];
    owned.reset();
    EXPECT_EQ(ReadAll(*kept.Open()).size(), static_cast<std::size_t>(kept.Length));

    TempFolder nothing;
    FolderPayloadSource emptySource(nothing.Path());
    EXPECT_TRUE(emptySource.Entries().empty());
    EXPECT_THROW(FolderPayloadSource(folder.Path("missing")), IOException);
    EXPECT_THROW(FolderPayloadSource(folder.Path() + std::wstring(1, L'\0') + L"x"), ArgumentException);
}

class PayloadSourceOpen : public ::testing::Test {
protected:
    TempFolder folder;
    FakeHost host{folder.Path("setup.exe")};
    std::vector<std::byte> package = Tools::BuildPackage({{"from-package.txt", Bytes("p")}}, {4096, 1});
    std::vector<std::byte> zip = ReadAllBytes(TestData(L"made_by_zip.zip"));

    std::wstring FirstPath() {
        ScopedHost scoped(host);
        const auto source = PayloadSource::Open();
        if (!source) return L"(none)";
        return source->Entries().empty() ? L"(empty)" : PathsOf(*source).front();
    }
};

TEST_F(PayloadSourceOpen, TakesTheFirstCandidateInOrder) {
    EXPECT_EQ(FirstPath(), L"(none)");
    folder.MakeFolder("payload.rqpk");  // a folder of a file's name does not count
    folder.Write("payload/from-folder.txt", Bytes("f"));
    EXPECT_EQ(FirstPath(), L"from-folder.txt");
    folder.Write("payload.zip", zip);
    EXPECT_EQ(FirstPath(), L"bin\\tool.exe");
    std::filesystem::remove(folder.Get("payload.rqpk"));
    folder.Write("payload.rqpk", package);
    EXPECT_EQ(FirstPath(), L"from-package.txt");
    host.Embed(L"Ravenquill.Payload.zip", zip);
    EXPECT_EQ(FirstPath(), L"bin\\tool.exe") << "an embedded zip wins over a side package";
    host.Embed(L"Ravenquill.Payload.rqpk", Tools::BuildPackage({{"embedded.txt", Bytes("e")}}, {4096, 1}));
    EXPECT_EQ(FirstPath(), L"embedded.txt");
}

TEST_F(PayloadSourceOpen, TheChoiceIsFinalEvenWhenItFails) {
    folder.Write("payload.rqpk", Bytes("RQPK"));
    folder.Write("payload.zip", zip);
    ScopedHost scoped(host);
    try {
        PayloadSource::Open();
        FAIL() << "a corrupt side package must fail";
    } catch (const InvalidDataException& e) {
        EXPECT_EQ(e.Message(), L"Пакет повреждён: неверная сигнатура.");
    }
}

// A zip that cannot be opened is named in the message, side file by its path and the embedded one
// by its resource name, in the installer's language rather than the zip layer's.
TEST_F(PayloadSourceOpen, AZipThatCannotBeOpenedIsNamedInRussian) {
    const std::vector<std::byte> cut(zip.begin(), zip.begin() + static_cast<std::ptrdiff_t>(zip.size() / 2));
    const auto failure = [&] {
        ScopedHost scoped(host);
        try {
            PayloadSource::Open();
        } catch (const InvalidDataException& e) {
            return e.Message();
        }
        return std::wstring(L"(opened)");
    };
    folder.Write("payload.zip", cut);
    EXPECT_EQ(failure(),
              L"Не удаётся открыть архив «" + folder.Path("payload.zip") + L"»: это не zip-архив, или архив обрезан.");
    host.Embed(L"Ravenquill.Payload.zip", Bytes("PK\x05\x06 and nothing else"));
    EXPECT_EQ(failure(), L"Не удаётся открыть архив «Ravenquill.Payload.zip»: это не zip-архив, или архив обрезан.");
}

}  // namespace
}  // namespace Ravenquill::Core
