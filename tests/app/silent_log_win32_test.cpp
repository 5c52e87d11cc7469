// The log shared by a silent run and the elevated copy it waits for: both hold it open at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/silent_log.h"
#include "core/common/unique_handle.h"

namespace Ravenquill::SilentRun {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SharedLogTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = fs::temp_directory_path() / "RqSharedLog-test.log";
        fs::remove(path_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    fs::path path_;
};

TEST_F(SharedLogTest, ASecondWriterAppendsWhileTheFirstHoldsTheFile) {
    LogFile parent(path_.wstring());
    parent.WriteLine(L"--- 2025-03-14 09:00:00 ---");
    parent.WriteLine(L"Требуются права администратора — перезапуск с повышением прав");
    {
        LogFile copy(path_.wstring());
        copy.WriteLine(L"--- 2025-03-14 09:00:01 ---");
        copy.WriteLine(L"Копирование файлов");
    }
    // A reader may look while the run still holds the log.
    const UniqueFileHandle reader(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader);
    EXPECT_EQ(ReadAll(path_),
              "\xEF\xBB\xBF--- 2025-03-14 09:00:00 ---\r\n"
              "Требуются права администратора — перезапуск с повышением прав\r\n"
              "--- 2025-03-14 09:00:01 ---\r\n"
              "Копирование файлов\r\n");
}

TEST_F(SharedLogTest, AlternatingWritersNeverOverwriteEachOther) {
    LogFile first(path_.wstring());
    LogFile second(path_.wstring());
    std::string expected = "\xEF\xBB\xBF";
    for (int i = 0; i < 50; ++i) {
        const std::wstring a = L"первый " + std::to_wstring(i);
        const std::wstring b = L"второй " + std::to_wstring(i) + std::wstring(static_cast<std::size_t>(i), L'ж');
        first.WriteLine(a);
        second.WriteLine(b);
        expected += "первый " + std::to_string(i) + "\r\n";
        expected += "второй " + std::to_string(i);
        for (int k = 0; k < i; ++k) expected += "ж";
        expected += "\r\n";
    }
    EXPECT_EQ(ReadAll(path_), expected);
}

TEST_F(SharedLogTest, AFileHeldByAnotherWriterWithoutSharingCannotBeOpened) {
    const UniqueFileHandle exclusive(
        CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(exclusive);
    EXPECT_THROW(LogFile(path_.wstring()), IOException);
}

}  // namespace
}  // namespace Ravenquill::SilentRun
