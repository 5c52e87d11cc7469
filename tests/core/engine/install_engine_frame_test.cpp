#include <gtest/gtest.h>

#include "core/common/errors.h"
#include "core/common/text.h"
#include "core/engine/engines/install_engine.h"

namespace Ravenquill::Core {
namespace {

TEST(InstallEngineFrameTest, ReportsAreClampedAndRaisedOnlyForSubscribers) {
    InstallEngine engine;
    // Nothing is raised, and nothing fails, without handlers.
    engine.Report(0.5, L"Копирование файлов", L"a.txt");
    engine.WriteLog(L"строка");

    std::vector<InstallProgress> reports;
    std::vector<std::wstring> lines;
    const InstallEngine* sender = nullptr;
    engine.Progress.Subscribe([&](InstallEngine& e, const InstallProgress& p) {
        sender = &e;
        reports.push_back(p);
    });
    engine.Log.Subscribe([&](InstallEngine&, const std::wstring& line) { lines.push_back(line); });
    engine.Report(-0.5, L"a");
    engine.Report(1.7, L"b", L"d");
    engine.Report(0.25, L"c");
    engine.WriteLog(L"строка");
    EXPECT_EQ(sender, &engine);
    EXPECT_EQ(reports, (std::vector<InstallProgress>{InstallProgress(0, L"a"), InstallProgress(1, L"b", L"d"),
                                                     InstallProgress(0.25, L"c")}));
    EXPECT_EQ(lines, std::vector<std::wstring>{L"строка"});
}

TEST(InstallEngineFrameTest, AProductIdThatIsNoSingleFileNameIsRefused) {
    const std::wstring refusedTail =
        L"» не может служить именем файла: в нём недопустимы символы \\ / : * ? \" < > | и управляющие символы, он "
        L"не может быть «.» или «..», оканчиваться точкой или пробелом и быть длиннее 240 знаков.";
    // The id as the message quotes it: control characters escaped, so the log keeps one line.
    const std::pair<std::wstring, std::wstring> ids[] = {
        {L"a/../../evil", L"a/../../evil"},
        {L"Rq\\Other", L"Rq\\Other"},
        {L"..", L".."},
        {L".", L"."},
        {L"x:y", L"x:y"},
        {L"dot.", L"dot."},
        {L"space ", L"space "},
        {L"Quill\r\n--- forged", L"Quill\\u000D\\u000A--- forged"},
        // Too long for the log file's name ("Ravenquill-" + id + ".log") and then for the uninstall key.
        {std::wstring(241, L'q'), std::wstring(241, L'q')},
        {std::wstring(300, L'q'), std::wstring(300, L'q')},
    };
    for (const auto& [id, quoted] : ids) {
        InstallManifest manifest;
        manifest.ProductId = id;
        try {
            InstallEngine::ThrowIfProductIdUnusable(manifest);
            ADD_FAILURE() << Text::ToUtf8(id);
        } catch (const InstallFailedException& e) {
            EXPECT_EQ(e.Message(), L"Идентификатор продукта «" + quoted + refusedTail) << Text::ToUtf8(id);
        }
    }
    for (const std::wstring id : {L"", L"  "}) {
        InstallManifest manifest;
        manifest.ProductId = id;
        try {
            InstallEngine::ThrowIfProductIdUnusable(manifest);
            ADD_FAILURE() << "blank";
        } catch (const InstallFailedException& e) {
            EXPECT_EQ(e.Message(), L"В манифесте не задан идентификатор продукта.");
        }
    }
    for (const std::wstring& id : {std::wstring(L"RavenQuill.Desktop"), std::wstring(240, L'q')}) {
        InstallManifest usable;
        usable.ProductId = id;
        EXPECT_NO_THROW(InstallEngine::ThrowIfProductIdUnusable(usable)) << id.size();
    }
}

TEST(InstallEngineFrameTest, SharingAndLockViolationsAndDeniedAccessCountAsLocks) {
    struct Case {
        std::exception_ptr failure;
        bool lock;
    };
    const Case cases[] = {
        {std::make_exception_ptr(SharingViolationException(L"shared", 32)), true},
        {std::make_exception_ptr(IOException(L"locked region", 33)), true},
        // A code in its HRESULT form counts by its low word.
        {std::make_exception_ptr(IOException(L"shared, as HRESULT", 0x80070020)), true},
        {std::make_exception_ptr(UnauthorizedAccessException(L"denied")), true},
        {std::make_exception_ptr(IOException(L"disk full", 112)), false},
        {std::make_exception_ptr(FileNotFoundException(L"gone", 2)), false},
        {std::make_exception_ptr(OperationCanceledException()), false},
        {std::make_exception_ptr(PlatformException(L"other", 32)), false},
    };
    for (const Case& c : cases) EXPECT_EQ(InstallEngine::IsLockViolation(c.failure), c.lock) << MessageOf(c.failure);
    EXPECT_EQ(
        InstallEngine::DescribeLockedFile(
            L"C:\\App\\bin\\app.exe", std::make_exception_ptr(IOException(L"Процесс не может получить доступ.", 32))),
        L"Файл «app.exe» занят другим приложением. Процесс не может получить доступ.");
}

}  // namespace
}  // namespace Ravenquill::Core
