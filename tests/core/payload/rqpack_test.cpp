#include <gtest/gtest.h>

#include "core/common/path.h"
#include "payload_test_support.h"
#include "rqpack_command.h"

namespace Ravenquill::Core {
namespace {

using namespace Testing;

struct RqpackRun {
    int Code;
    std::vector<std::wstring> Out, Err;
};

RqpackRun Rqpack(std::vector<std::wstring> args) {
    RqpackRun run{};
    run.Code = Tools::RunRqpack(args, {[&](const std::wstring& l) { run.Out.push_back(l); },
                                       [&](const std::wstring& l) { run.Err.push_back(l); }});
    return run;
}

std::wstring TestData(const std::wstring& name) {
    const char* root = std::getenv("RQ_TEST_DATA");
    return Path::Combine(Text::FromUtf8(root ? root : "tests/data"), L"payload", name);
}

TEST(Rqpack, PackThenExtractRoundTripsATreeByteForByte) {
    TempFolder tree, work;
    const std::map<std::string, std::vector<std::byte>> files = {
        {"app.exe", RandomBytes(70000, 11)},
        {"empty.txt", {}},
        {"docs/readme.txt", Bytes(std::string(50000, 'r'))},
        {"docs/deep/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.dat", RandomBytes(4096 * 3, 12)},
    };
    for (const auto& [path, bytes] : files) tree.Write(path, bytes);
    const std::wstring package = work.Path("out.rqpk");
    ASSERT_EQ(Rqpack({L"pack", tree.Path(), package, L"--block-size", L"4096", L"--quality", L"4"}).Code, 0);

    const RqpackRun list = Rqpack({L"list", package});
    ASSERT_EQ(list.Code, 0);
    EXPECT_EQ(list.Out,
              (std::vector<std::wstring>{L"70000\tapp.exe", L"12288\tdocs\\deep\\файл.dat", L"50000\tdocs\\readme.txt",
                                         L"0\tempty.txt", L"4 files, 132288 bytes"}));

    ASSERT_EQ(Rqpack({L"extract", package, work.Path("x")}).Code, 0);
    for (const auto& [path, bytes] : files) EXPECT_EQ(ReadAllBytes(work.Path("x/" + path)), bytes) << path;
}

TEST(Rqpack, ListsAZipToolArchiveAndAFolder) {
    const RqpackRun zip = Rqpack({L"list", TestData(L"made_by_zip.zip")});
    ASSERT_EQ(zip.Code, 0);
    EXPECT_EQ(zip.Out, (std::vector<std::wstring>{L"8\tdocs\\readme.txt", L"4\tbin\\tool.exe", L"2 files, 12 bytes"}));

    TempFolder folder;
    folder.Write("a/b.txt", Bytes("12345"));
    const RqpackRun list = Rqpack({L"list", folder.Path()});
    ASSERT_EQ(list.Code, 0);
    EXPECT_EQ(list.Out, (std::vector<std::wstring>{L"5\ta\\b.txt", L"1 files, 5 bytes"}));
}

TEST(Rqpack, ExtractReportsFaultsAndRefusesPathsOutsideTheFolder) {
    TempFolder work;
    work.Write("bad.rqpk", Bytes("RQPK3\n"));
    const RqpackRun bad = Rqpack({L"extract", work.Path("bad.rqpk"), work.Path("x")});
    EXPECT_EQ(bad.Code, 1);
    EXPECT_EQ(bad.Err, std::vector<std::wstring>{L"Пакет повреждён: неверная сигнатура."});

    for (const std::string& path : std::vector<std::string>{"../evil.txt", "a\\..\\..\\evil.txt", "/abs.txt",
                                                            "c:evil.txt", std::string("nul\0cut.txt", 11)}) {
        SCOPED_TRACE(path);
        work.Write("p.rqpk", Tools::BuildPackage({{path, Bytes("x")}}, {4096, 1}));
        const RqpackRun run = Rqpack({L"extract", work.Path("p.rqpk"), work.Path("x")});
        EXPECT_EQ(run.Code, 1);
        ASSERT_EQ(run.Err.size(), 1u);
        EXPECT_NE(run.Err[0].find(L"Entry path refused"), std::wstring::npos) << Utf8(run.Err[0]);
    }
    EXPECT_FALSE(std::filesystem::exists(work.Get("evil.txt")));
    EXPECT_FALSE(std::filesystem::exists(work.Get("x/nul")));

    // Announces 100 bytes, its one block holds 10: fewer bytes than its length is an error.
    std::vector<std::byte> shortPackage;
    Tools::AppendHeader(shortPackage, 1, 4096);
    const auto block = Tools::CompressBlock(Bytes("0123456789"), 1);
    const std::vector<std::int32_t> sizes = {static_cast<std::int32_t>(block.size())};
    Tools::AppendIndexRecord(shortPackage, "short.bin", 100, sizes);
    shortPackage.insert(shortPackage.end(), block.begin(), block.end());
    work.Write("short.rqpk", shortPackage);
    const RqpackRun shortRun = Rqpack({L"extract", work.Path("short.rqpk"), work.Path("y")});
    EXPECT_EQ(shortRun.Code, 1);
    EXPECT_EQ(shortRun.Err, std::vector<std::wstring>{L"«short.bin» delivered 10 of 100 bytes."});

    EXPECT_EQ(Rqpack({L"frobnicate"}).Code, 2);
    // Blocks past 4 MiB would make a package the installer cannot decode.
    TempFolder tree;
    tree.Write("a.txt", Bytes("a"));
    EXPECT_EQ(Rqpack({L"pack", tree.Path(), work.Path("big.rqpk"), L"--block-size", L"4194305"}).Code, 2);
    EXPECT_EQ(Rqpack({L"pack", tree.Path(), work.Path("ok.rqpk"), L"--block-size", L"4194304"}).Code, 0);
}

}  // namespace
}  // namespace Ravenquill::Core
