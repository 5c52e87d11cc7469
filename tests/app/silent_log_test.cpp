#include "app/silent_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/common/errors.h"

namespace Ravenquill::SilentRun {
namespace {

namespace fs = std::filesystem;

class SilentLogFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("RqSilentLog-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::wstring LogPath() const { return (dir_ / "Ravenquill-Quill.log").wstring(); }
    std::string Content() const {
        std::ifstream in(dir_ / "Ravenquill-Quill.log", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
};

const std::string Bom = "\xEF\xBB\xBF";

TEST_F(SilentLogFileTest, NewFileGetsByteOrderMarkAndCrLfLines) {
    {
        LogFile log(LogPath());
        log.WriteLine(L"--- 2025-03-14 09:26:53 ---");
        log.WriteLine(L"Копирование файлов");
        log.WriteLine(L"");
    }
    EXPECT_EQ(Content(), Bom + "--- 2025-03-14 09:26:53 ---\r\nКопирование файлов\r\n\r\n");
}

TEST_F(SilentLogFileTest, ControlCharactersOfALineAreEscapedSoItStaysOneLine) {
    {
        LogFile log(LogPath());
        log.WriteLine(L"ОШИБКА: «Quill\r\n--- forged ---\x1B[2J»");
    }
    EXPECT_EQ(Content(), Bom + "ОШИБКА: «Quill\\u000D\\u000A--- forged ---\\u001B[2J»\r\n");
}

TEST_F(SilentLogFileTest, SecondRunAppendsWithoutAnotherMark) {
    {
        LogFile log(LogPath());
        log.WriteLine(L"первый");
    }
    {
        LogFile log(LogPath());
        log.WriteLine(L"второй");
    }
    EXPECT_EQ(Content(), Bom + "первый\r\nвторой\r\n");
}

TEST_F(SilentLogFileTest, AnExistingFileKeepsItsBytesAndGetsNoMark) {
    {
        std::ofstream out(dir_ / "Ravenquill-Quill.log", std::ios::binary);
        out << "old line\n";
    }
    {
        LogFile log(LogPath());
        log.WriteLine(L"new");
    }
    EXPECT_EQ(Content(), "old line\nnew\r\n");
}

TEST_F(SilentLogFileTest, OpenedButUnwrittenFileHoldsTheMarkOnly) {
    { LogFile log(LogPath()); }
    EXPECT_EQ(Content(), Bom);
}

TEST_F(SilentLogFileTest, AMissingFolderIsAnInputOutputFailure) {
    EXPECT_THROW(LogFile((dir_ / "missing" / "x.log").wstring()), IOException);
}

}  // namespace
}  // namespace Ravenquill::SilentRun
