#include <gtest/gtest.h>

#include "block_compressor.h"
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

// Enough blocks for every thread to hold several, of compressible and incompressible content (the
// latter kept from the quick pass), with empty files and files of one short block between them.
std::map<std::string, std::vector<std::byte>> ManyBlockTree() {
    std::map<std::string, std::vector<std::byte>> files;
    for (int i = 0; i < 24; ++i) {
        const std::string name = "dir" + std::to_string(i % 3) + "/file" + std::to_string(i) + ".bin";
        const std::size_t size = static_cast<std::size_t>(i % 4 == 3 ? 0 : 700 + i * 1531);
        if (i % 2 == 0)
            files[name] = RandomBytes(size, 100 + static_cast<unsigned>(i));
        else
            files[name] = Bytes(std::string(size, static_cast<char>('a' + i)) + std::to_string(i));
    }
    return files;
}

TEST(Rqpack, PackWritesTheSameBytesOnOneThreadAndOnMany) {
    TempFolder tree, work;
    const auto files = ManyBlockTree();
    for (const auto& [path, bytes] : files) tree.Write(path, bytes);
    const auto pack = [&](const std::wstring& name, std::vector<std::wstring> threads) {
        std::vector<std::wstring> args = {L"pack",      tree.Path(), work.Path(Utf8(name)), L"--block-size=4096",
                                          L"--quality", L"9"};
        args.insert(args.end(), threads.begin(), threads.end());
        EXPECT_EQ(Rqpack(args).Code, 0) << Utf8(name);
        return ReadAllBytes(work.Path(Utf8(name)));
    };
    const std::vector<std::byte> single = pack(L"one.rqpk", {L"--threads=1"});
    EXPECT_EQ(pack(L"three.rqpk", {L"--threads", L"3"}), single);
    EXPECT_EQ(pack(L"many.rqpk", {L"--threads=16"}), single);
    EXPECT_EQ(pack(L"default.rqpk", {}), single);

    // Extracted with the blocks decoded as they are written, and ahead on many threads.
    for (const wchar_t* threads : {L"--threads=1", L"--threads=16"}) {
        const std::string folder = "x" + Utf8(threads);
        ASSERT_EQ(Rqpack({L"extract", work.Path("many.rqpk"), work.Path(folder), threads}).Code, 0);
        for (const auto& [path, bytes] : files) EXPECT_EQ(ReadAllBytes(work.Path(folder + "/" + path)), bytes) << path;
    }
    for (const wchar_t* bad : {L"--threads=0", L"--quality=1", L"--threads"})
        EXPECT_EQ(Rqpack({L"extract", work.Path("many.rqpk"), work.Path("y"), bad}).Code, 2) << Utf8(bad);

    for (const wchar_t* bad : {L"--threads=0", L"--threads=many", L"--threads"})
        EXPECT_EQ(Rqpack({L"pack", tree.Path(), work.Path("bad.rqpk"), bad}).Code, 2) << Utf8(bad);
}

TEST(BlockCompressor, HandsTheBlocksBackInTheOrderTheyCame) {
    std::vector<std::vector<std::byte>> blocks;
    for (unsigned i = 0; i < 40; ++i)
        blocks.push_back(i % 3 == 0 ? RandomBytes(3000 + i * 97, i) : Bytes(std::string(5000 + i * 211, 'q')));
    std::vector<std::vector<std::byte>> serial;
    for (const auto& block : blocks) serial.push_back(Tools::CompressBlock(block, 9));

    std::vector<std::vector<std::byte>> delivered;
    Tools::BlockCompressor compressor(4, 9, [&](std::span<const std::byte> compressed) {
        delivered.emplace_back(compressed.begin(), compressed.end());
    });
    std::size_t added = 0;
    for (const auto& block : blocks) {
        std::vector<std::byte> buffer = compressor.TakeBuffer();
        EXPECT_TRUE(buffer.empty());
        buffer.assign(block.begin(), block.end());
        compressor.Add(std::move(buffer));
        ++added;
        EXPECT_LE(added - delivered.size(), 8u) << "at most two blocks per thread in flight";
    }
    EXPECT_LT(delivered.size(), blocks.size()) << "a few blocks are still in flight before Finish";
    compressor.Finish();
    EXPECT_EQ(delivered, serial);
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
