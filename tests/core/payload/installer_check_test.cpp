#include "installer_check.h"

#include <gtest/gtest.h>

#include "core/common/path.h"
#include "payload_test_support.h"
#include "rqpack_command.h"
#include "ui/png.h"

namespace Ravenquill::Tools {
namespace {

using namespace Core::Testing;

std::vector<std::wstring> Lines(const std::vector<CheckFinding>& findings) {
    std::vector<std::wstring> lines;
    for (const CheckFinding& f : findings) lines.push_back(f.ToString());
    return lines;
}

// A publisher's payload folder: a program, docs, data, and one empty folder.
class InstallerCheck : public ::testing::Test {
protected:
    InstallerCheck() {
        payload.Write("App.exe", "MZ");
        payload.Write("docs/readme.txt", "readme");
        payload.Write("docs/api/index.html", "<p>");
        payload.Write("data/words.dat", "w");
        payload.MakeFolder("logs/old");
    }

    // The manifest with the four needed keys first (lines 2 to 5), then more from line 6 on.
    std::vector<std::wstring> Check(const std::string& more) {
        work.Write("installer.json",
                   "{\n\"productId\": \"Tolvane\",\n\"productName\": \"Tolvane\",\n\"version\": "
                   "\"0.3.4\",\n\"publisher\": \"DA Dedu\"" +
                       more + "\n}");
        std::vector<std::wstring> lines =
            Lines(CheckInstallerInputs({work.Path("installer.json"), payload.Path(), {}}));
        std::erase(lines, EmptyLogs());
        return lines;
    }
    std::wstring At(int line, int column) const {
        return work.Path("installer.json") + L":" + std::to_wstring(line) + L":" + std::to_wstring(column);
    }
    std::wstring EmptyLogs() const {
        return payload.Path() +
               L": warning: the empty folder \"logs\" is left out: a package carries files only, so it is not "
               L"installed";
    }

    TempFolder payload, work;
};

TEST_F(InstallerCheck, NamesWhatTheManifestPointsAtAndThePayloadLacks) {
    struct Case {
        const char* Name;
        std::string More;
        std::vector<std::wstring> Errors;
    };
    const std::vector<Case> cases = {
        {"all found",
         ",\n\"mainExecutable\": \"app.exe\",\n\"iconPath\": \"./docs\\\\readme.txt\",\n\"components\": [{\"id\": "
         "\"docs\", \"pathPrefix\": \"docs/\"}, {\"id\": \"data\", \"pathPrefix\": \"data\"}]",
         {}},
        {"main program elsewhere",
         ",\n\"mainExecutable\": \"bin/App.exe\"",
         {At(6, 1) + L": error: \"mainExecutable\" names \"bin/App.exe\", which is not in the payload"}},
        {"icon missing",
         ",\n\"mainExecutable\": \"App.exe\", \"iconPath\": \"app.ico\"",
         {At(6, 30) + L": error: \"iconPath\" names \"app.ico\", which is not in the payload"}},
        {"a prefix is a folder, not the start of a name",
         ",\n\"components\": [{\"id\": \"docs\", \"pathPrefix\": \"doc\"}]",
         {At(6, 31) + L": error: the component \"docs\" with the prefix \"doc\" matches no file in the payload"}},
        {"a component after one that takes its files",
         ",\n\"components\": [{\"id\": \"docs\", \"pathPrefix\": \"docs\"},\n{\"id\": \"api\", \"pathPrefix\": "
         "\"docs/api\"}]",
         {At(7, 15) +
          L": error: the component \"api\" with the prefix \"docs/api\" owns no file: a component before it "
          L"takes every file it matches"}},
        {"a component without a prefix owns nothing by design", ",\n\"components\": [{\"id\": \"extras\"}]", {}},
        {"a product id that names no single file",
         ",\n\"productId\": \"a/../b\"",
         {At(6, 1) + L": error: \"productId\" \"a/../b\" cannot name a file, which it does for the uninstall entry and "
                     L"the log: the installer refuses it (no \\ / : * ? \" < > |, control characters, \".\" or "
                     L"\"..\", nor a dot or blank at its end, and no longer than 240 characters)"}},
        {"a product id longer than the installer takes",
         ",\n\"productId\": \"" + std::string(300, 'a') + "\"",
         {At(6, 1) + L": error: \"productId\" \"" + std::wstring(300, L'a') +
          L"\" cannot name a file, which it does for the uninstall entry and the log: the installer refuses it (no "
          L"\\ / : * ? \" < > |, control characters, \".\" or \"..\", nor a dot or blank at its end, and no longer "
          L"than 240 characters)"}},
        {"the reader's own findings come first and stop the rest",
         ",\n\"mainExecutable\": 7",
         {At(6, 1) + L": error: \"mainExecutable\" must be a string, not a number (7)"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Check(c.More), c.Errors) << c.Name;
}

TEST_F(InstallerCheck, WarnsOnlyOnceForANestOfEmptyFolders) {
    EXPECT_EQ(Lines(CheckInstallerInputs({{}, payload.Path(), {}})), std::vector<std::wstring>{EmptyLogs()});
}

TEST(InstallerCheckPayload, APayloadOfTheWrongKindSaysWhatItGot) {
    TempFolder folder;
    const std::vector<std::byte> package = BuildPackage({{"a.txt", Bytes("a")}}, {4096, 1});
    std::vector<std::byte> tar(512);
    std::copy_n(Bytes("ustar").begin(), 5, tar.begin() + 257);
    std::vector<std::byte> emptyZip = Bytes("PK\x05\x06");
    emptyZip.resize(22);
    folder.Write("good.rqpk", package);
    folder.Write("payload.tar", tar);
    folder.Write("payload.7z", Bytes("7z\xBC\xAF\x27\x1C rest"));
    folder.Write("notes.txt", "text");
    folder.Write("package.zip", package);
    folder.Write("archive.rqpk", emptyZip);
    folder.Write("empty.zip", emptyZip);
    folder.Write("cut.zip", Bytes("PK\x03\x04 and then the file ends"));
    folder.MakeFolder("empty");
    const auto check = [&](const std::string& name) {
        return Lines(CheckInstallerInputs({{}, folder.Path(name), {}}));
    };
    const auto error = [&](const std::string& name, const std::wstring& message) {
        return std::vector<std::wstring>{folder.Path(name) + L": error: " + message};
    };
    EXPECT_EQ(check("good.rqpk"), std::vector<std::wstring>{});
    EXPECT_EQ(check("payload.tar"), error("payload.tar",
                                          L"the payload is a tar archive, but a payload is a folder, "
                                          L"an .rqpk package or a .zip archive"));
    EXPECT_EQ(check("payload.7z"), error("payload.7z",
                                         L"the payload is a 7z archive, but a payload is a folder, an "
                                         L".rqpk package or a .zip archive"));
    EXPECT_EQ(check("notes.txt"), error("notes.txt",
                                        L"the payload is a file ending in .txt, but a payload is a "
                                        L"folder, an .rqpk package or a .zip archive"));
    EXPECT_EQ(
        check("package.zip"),
        error("package.zip", L"the payload is an RQPK2 package, not a zip archive: give it a name ending in .rqpk"));
    EXPECT_EQ(
        check("archive.rqpk"),
        error("archive.rqpk", L"the payload is a zip archive, not an RQPK2 package: give it a name ending in .zip"));
    EXPECT_EQ(check("missing"), error("missing", L"no such folder or file for the payload"));
    EXPECT_EQ(check("cut.zip"), error("cut.zip", L"Не удаётся открыть архив «" + folder.Path("cut.zip") +
                                                     L"»: это не zip-архив, или архив обрезан."));
    const std::wstring noFiles =
        L"the payload has no files: the installer would refuse with \"В выбранных компонентах нет файлов для "
        L"установки.\"";
    EXPECT_EQ(check("empty"), error("empty", noFiles));
    EXPECT_EQ(check("empty.zip"), error("empty.zip", noFiles));
}

// A PNG the installer's own decoder reads, then changed in its header or data.
std::vector<std::byte> Logo(int side, void (*change)(std::vector<std::uint8_t>&) = nullptr) {
    std::vector<std::uint8_t> png =
        Ui::Png::Encode(std::vector<std::uint8_t>(static_cast<std::size_t>(side * side * 4), 0xFF), side, side);
    if (change) change(png);
    const auto* bytes = reinterpret_cast<const std::byte*>(png.data());
    return {bytes, bytes + png.size()};
}

TEST(InstallerCheckLogo, TakesOnlyAPngTheInstallerDecodesAndNoLargerThanItShows) {
    struct Case {
        const char* Name;
        std::vector<std::byte> File;
        std::vector<std::wstring> Faults;
    };
    const std::wstring reads =
        L": the installer reads 8-bit grey, RGB, palette, grey-and-alpha and RGBA images without interlacing";
    const std::vector<Case> cases = {
        {"largest side", Logo(1024), {}},
        {"one pixel too wide",
         Logo(4, [](auto& png) { png[18] = 0x04, png[19] = 0x01; }),
         {L"the logo is 1025 × 4 pixels: the installer takes at most 1024 pixels a side"}},
        {"huge, refused before it is decoded",
         Logo(4, [](auto& png) { png[18] = png[22] = 0x20, png[19] = png[23] = 0x01; }),
         {L"the logo is 8193 × 8193 pixels: the installer takes at most 1024 pixels a side"}},
        {"16 bits and interlaced",
         Logo(4, [](auto& png) { png[24] = 16, png[28] = 1; }),
         {L"the logo has 16 bits a sample" + reads, L"the logo is interlaced" + reads}},
        {"unknown colour type", Logo(4, [](auto& png) { png[25] = 5; }), {L"the logo has the colour type 5" + reads}},
        {"damaged image data",
         Logo(4, [](auto& png) { std::fill_n(png.begin() + 41, 4, 0xFF); }),
         {L"the logo cannot be decoded: its header or image data is damaged or its palette missing"}},
        {"a JPEG", Bytes("\xFF\xD8\xFF\xE0 JFIF"), {L"the logo is a JPEG image: the installer shows a PNG"}},
        {"not an image", Bytes("logo"), {L"the logo is no PNG image: the installer shows a PNG"}},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        folder.Write("logo.png", c.File);
        std::vector<std::wstring> expected;
        for (const std::wstring& fault : c.Faults) expected.push_back(folder.Path("logo.png") + L": error: " + fault);
        EXPECT_EQ(Lines(CheckInstallerInputs({{}, {}, folder.Path("logo.png")})), expected) << c.Name;
    }
}

TEST(InstallerCheckCommand, FailsOnAnErrorAndPassesWithWarningsOnly) {
    TempFolder folder;
    folder.Write("payload/app.exe", "MZ");
    folder.MakeFolder("payload/cache");
    folder.Write("installer.json",
                 "{\"productId\": \"A\", \"productName\": \"A\", \"version\": \"1\", \"publisher\": "
                 "\"P\", \"mainExecutable\": \"app.exe\"}");
    std::vector<std::wstring> err;
    const CommandOutput output{[](const std::wstring&) {}, [&](const std::wstring& line) { err.push_back(line); }};
    EXPECT_EQ(
        RunRqpack({L"check", L"--manifest", folder.Path("installer.json"), L"--payload=" + folder.Path("payload")},
                  output),
        0);
    EXPECT_EQ(err.size(), 1u);
    EXPECT_NE(err.front().find(L": warning: the empty folder \"cache\""), std::wstring::npos) << err.front();

    err.clear();
    folder.Write("installer.json", "{\"productId\": \"A\",}");
    EXPECT_EQ(RunRqpack({L"check", L"--manifest", folder.Path("installer.json")}, output), 1);
    EXPECT_EQ(err.size(), 3u) << "name, version and publisher are missing";
    EXPECT_EQ(RunRqpack({L"check"}, output), 2);
}

}  // namespace
}  // namespace Ravenquill::Tools
