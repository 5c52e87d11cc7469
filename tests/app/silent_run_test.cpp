#include "app/silent_run.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/common/errors.h"
#include "core/common/text.h"
#include "support/fake_engines.h"

namespace Ravenquill::SilentRun {
namespace {

using Core::CommandLineOptions;
using Core::InstallManifest;
using Lines = std::vector<std::wstring>;
using Dirs = std::vector<std::optional<std::wstring>>;

const std::wstring Header = L"--- 2025-03-14 21:05:09 ---";
const std::wstring AskingRights = L"Требуются права администратора — перезапуск с повышением прав";
const std::wstring Refused = L"Повышение прав отклонено";
const std::wstring NothingToRemove = L"Установленная версия не найдена — нечего удалять";

// Every log line and every step of the engines, in the order they happened: log lines as they
// are, steps in brackets. The log comes from here; the engines are the shared fake, whose steps
// write to the same journal.
class FakeMachine final : public LogSource {
public:
    Lines journal;
    Testing::FakeEngines engines;
    std::function<std::unique_ptr<LogWriter>()> openLog;
    // Fails the log's writes from this line on (counting the header as 0).
    std::optional<std::size_t> failWritesFrom;
    std::optional<std::uint32_t> elevatedExitCode;
    std::vector<Core::InstallOptions> installs;
    std::function<void(const LogLine&)> installRun = [](const LogLine& log) { log(L"Установка завершена"); };
    // What a failing write throws.
    std::function<void()> writeFailure = [] { throw IOException(L"disk full"); };
    std::function<void(const LogLine&)> uninstallRun = [](const LogLine& log) { log(L"Удаление завершено"); };
    std::function<void()> summaryRun = [] {};

    class Writer final : public LogWriter {
    public:
        explicit Writer(FakeMachine& machine) : machine_(machine) {}
        void WriteLine(const std::wstring& line) override {
            if (machine_.failWritesFrom && written_++ >= *machine_.failWritesFrom) machine_.writeFailure();
            machine_.journal.push_back(line);
        }

    private:
        FakeMachine& machine_;
        std::size_t written_ = 0;
    };

    FakeMachine() {
        openLog = [this] { return std::make_unique<Writer>(*this); };
        engines.Payload.HasPayload = true;
        engines.OnLoadPayload = [this] { summaryRun(); };
        engines.OnRelaunch = [this](std::span<const std::wstring>) {
            journal.push_back(L"[relaunch]");
            return elevatedExitCode;
        };
        engines.OnInstall = [this](const Core::InstallOptions& options, const Core::EngineEvents& events, auto&,
                                   CancellationToken) {
            journal.push_back(L"[install]");
            installs.push_back(options);
            installRun(events.Log);
            return Core::InstallRecord{};
        };
        engines.OnUninstall = [this](const Core::InstallRecord& record, bool keepData, const Core::EngineEvents& events,
                                     CancellationToken) {
            journal.push_back(L"[uninstall " + record.InstallDir + (keepData ? L" keep" : L"") + L"]");
            uninstallRun(events.Log);
        };
        engines.OnScheduleSelfDelete = [this](const Core::FoundInstallation& found) {
            std::wstring parents;
            for (const std::wstring& parent : found.Record.ParentDirectories) parents += L" " + parent;
            journal.push_back(L"[self-delete " + found.InstallDir + parents + L"]");
        };
    }

    std::unique_ptr<LogWriter> OpenLog(const std::wstring& fileName) override {
        journal.push_back(L"[open " + fileName + L"]");
        return openLog();
    }
    Core::OffsetDateTime Now() override { return *Core::OffsetDateTime::ParseIso(L"2025-03-14T21:05:09.75+03:00"); }
};

std::string Narrow(const Lines& lines) {
    std::string text;
    for (const std::wstring& line : lines) text += Text::ToUtf8(line) + "\n";
    return text;
}

std::shared_ptr<const InstallManifest> Manifest() {
    auto manifest = std::make_shared<InstallManifest>();
    manifest->ProductId = L"Quill";
    manifest->DefaultInstallDir = L"C:\\Machine\\{ProductName}";
    manifest->PerUserInstallDir = L"C:\\User\\{ProductName}";
    manifest->Components = {Core::ComponentDefinition{L"core", L"Core", std::nullopt, L"bin", true, true},
                            Core::ComponentDefinition{L"docs", L"Docs", std::nullopt, L"docs", false, false}};
    return manifest;
}

int RunWith(FakeMachine& machine, std::initializer_list<std::wstring> arguments, bool administrator = false,
            std::shared_ptr<const InstallManifest> manifest = Manifest()) {
    machine.engines.Administrator = administrator;
    return SilentRun::Run(manifest, CommandLineOptions::Parse(std::vector<std::wstring>(arguments)), machine.engines,
                          machine);
}

const std::wstring OpenLine = L"[open Ravenquill-Quill.log]";

TEST(SilentRunLog, FileNameAndHeader) {
    InstallManifest manifest;
    manifest.ProductId = L"Acme.Tool";
    EXPECT_EQ(LogFileName(manifest), L"Ravenquill-Acme.Tool.log");
    struct Case {
        const wchar_t* moment;
        const wchar_t* header;
    };
    const Case cases[] = {
        {L"2025-03-14T09:26:53.9+03:00", L"--- 2025-03-14 09:26:53 ---"},
        {L"2024-12-31T23:59:59.9999999-08:00", L"--- 2024-12-31 23:59:59 ---"},
        {L"2000-02-29T00:00:00Z", L"--- 2000-02-29 00:00:00 ---"},
        {L"1969-07-20T20:17:40.5+00:00", L"--- 1969-07-20 20:17:40 ---"},
        {L"0001-01-01T00:00:00+00:00", L"--- 0001-01-01 00:00:00 ---"},
    };
    for (const Case& c : cases) {
        const std::optional<Core::OffsetDateTime> moment = Core::OffsetDateTime::ParseIso(c.moment);
        ASSERT_TRUE(moment) << Text::ToUtf8(c.moment);
        EXPECT_EQ(HeaderLine(*moment), c.header) << Text::ToUtf8(c.moment);
    }
}

TEST(SilentRunLog, TheLogsNameStaysOneFileNameWhateverTheProductId) {
    struct Case {
        std::wstring id;
        std::wstring name;
    };
    const Case cases[] = {
        {L"a/../../evil", L"Ravenquill-a_.._.._evil.log"},
        {L"..\\up", L"Ravenquill-.._up.log"},
        {L"C:\\x", L"Ravenquill-C__x.log"},
        {L"*?\"<>|", L"Ravenquill-______.log"},
        {L"tab\there", L"Ravenquill-tab_here.log"},
        {L"..", L"Ravenquill-...log"},
        {L"dot.", L"Ravenquill-dot..log"},
        // Cut to one name's 255 units, so that even an id too long to install has its refusal logged.
        {std::wstring(240, L'q'), L"Ravenquill-" + std::wstring(240, L'q') + L".log"},
        {std::wstring(300, L'q'), L"Ravenquill-" + std::wstring(240, L'q') + L".log"},
        {std::wstring(239, L'q') + L"\xD83D\xDE00", L"Ravenquill-" + std::wstring(239, L'q') + L".log"},
    };
    for (const Case& c : cases) {
        InstallManifest manifest;
        manifest.ProductId = c.id;
        EXPECT_EQ(LogFileName(manifest), c.name) << Text::ToUtf8(c.id);
    }
}

TEST(SilentRunInstall, AProductIdThatIsNoFileNameIsRefusedBeforeAnythingElseAndLogged) {
    auto manifest = std::make_shared<InstallManifest>(*Manifest());
    manifest->ProductId = L"a/../../evil";
    FakeMachine machine;
    machine.engines.TargetNeedsElevation = true;
    EXPECT_EQ(RunWith(machine, {L"/S"}, false, manifest), 1);
    ASSERT_EQ(machine.journal.size(), 3u) << Narrow(machine.journal);
    EXPECT_EQ(machine.journal[0], L"[open Ravenquill-a_.._.._evil.log]");
    EXPECT_EQ(machine.journal[1], Header);
    EXPECT_TRUE(
        machine.journal[2].starts_with(L"ОШИБКА: Идентификатор продукта «a/../../evil» не может служить "
                                       L"именем файла"))
        << Narrow(machine.journal);
    EXPECT_TRUE(machine.engines.Relaunches.empty());
    EXPECT_TRUE(machine.installs.empty());
}

TEST(SilentRunInstall, AnUpdateGoesWhereTheEarlierInstallationOfItsScopeIs) {
    struct Case {
        const char* name;
        std::initializer_list<std::wstring> arguments;
        bool bothScopes;  // an installation for all users in C:\E1 as well
        std::wstring dir;
        bool perMachine;
    };
    const Case cases[] = {
        {"found", {L"/S"}, false, L"C:\\RQCustom\\Place", false},
        {"directory given", {L"/S", L"/D=E:\\Elsewhere"}, false, L"E:\\Elsewhere", false},
        {"other scope given", {L"/S", L"--per-machine"}, false, L"C:\\Machine\\RQ Demo App", true},
        {"both, the machine's first", {L"/S"}, true, L"C:\\E1", true},
        {"both, per user", {L"/S", L"--per-user"}, true, L"C:\\RQCustom\\Place", false},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        Core::EarlierInstallations found;
        found.PerUser = Core::EarlierInstallation{L"C:\\RQCustom\\Place", false, std::nullopt};
        if (c.bothScopes) found.PerMachine = Core::EarlierInstallation{L"C:\\E1", true, std::nullopt};
        machine.engines.Earlier = found;
        EXPECT_EQ(RunWith(machine, c.arguments, true), 0) << c.name;
        EXPECT_EQ(machine.engines.EarlierLookups, (Lines{L"Quill"})) << c.name;
        ASSERT_EQ(machine.installs.size(), 1u) << c.name;
        EXPECT_EQ(machine.installs[0].InstallDir, c.dir) << c.name;
        EXPECT_EQ(machine.installs[0].PerMachine, c.perMachine) << c.name;
    }
}

TEST(SilentRunInstall, WritableTargetInstallsAtOnceWithoutMinimumDuration) {
    FakeMachine machine;
    EXPECT_EQ(RunWith(machine, {L"/S", L"--per-user", L"--shortcuts=startmenu", L"--add-to-path"}), 0);
    EXPECT_EQ(machine.journal, (Lines{OpenLine, Header, L"[install]", L"Установка завершена"}))
        << Narrow(machine.journal);
    ASSERT_EQ(machine.installs.size(), 1u);
    const Core::InstallOptions& options = machine.installs[0];
    EXPECT_EQ(options.MinimumDuration, Core::TickDuration::zero());
    EXPECT_EQ(options.InstallDir, L"C:\\User\\RQ Demo App");
    EXPECT_FALSE(options.PerMachine);
    EXPECT_FALSE(options.DesktopShortcut);
    EXPECT_TRUE(options.StartMenuShortcut);
    EXPECT_TRUE(options.AddToPath);
    EXPECT_EQ(options.SelectedComponentIds, (Lines{L"core"}));
    EXPECT_EQ(options.Manifest->ProductId, L"Quill");
    EXPECT_TRUE(machine.engines.Relaunches.empty());
}

TEST(SilentRunInstall, ElevationOutcomes) {
    struct Case {
        const char* label;
        std::vector<std::wstring> arguments;
        bool administrator;
        bool probeRefuses;
        std::optional<std::uint32_t> elevatedExitCode;
        int exitCode;
        Lines journal;
    };
    const Case cases[] = {
        {"probe refuses, consent declined",
         {L"/S", L"--per-user"},
         false,
         true,
         std::nullopt,
         1,
         {OpenLine, Header, AskingRights, L"[relaunch]", Refused}},
        {"probe refuses, copy succeeds",
         {L"/S", L"--per-user"},
         false,
         true,
         0u,
         0,
         {OpenLine, Header, AskingRights, L"[relaunch]"}},
        {"copy cancelled", {L"/S"}, true, true, 1223u, 1223, {OpenLine, Header, AskingRights, L"[relaunch]"}},
        {"copy failed", {L"/S"}, false, true, 1u, 1, {OpenLine, Header, AskingRights, L"[relaunch]"}},
        // Per-machine without rights fails on the machine-wide parts even in a writable folder.
        {"per-machine, not administrator, writable",
         {L"/S", L"--per-machine"},
         false,
         false,
         0u,
         0,
         {OpenLine, Header, AskingRights, L"[relaunch]"}},
        {"per-machine, administrator, writable",
         {L"/S", L"--per-machine"},
         true,
         false,
         0u,
         0,
         {OpenLine, Header, L"[install]", L"Установка завершена"}},
        // The elevated copy never relaunches again; what fails is logged.
        {"elevated copy",
         {L"--elevated", L"/S", L"--per-machine"},
         false,
         true,
         0u,
         0,
         {OpenLine, Header, L"[install]", L"Установка завершена"}},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.engines.TargetNeedsElevation = c.probeRefuses;
        machine.elevatedExitCode = c.elevatedExitCode;
        machine.engines.Administrator = c.administrator;
        const int code = SilentRun::Run(Manifest(), CommandLineOptions::Parse(c.arguments), machine.engines, machine);
        EXPECT_EQ(code, c.exitCode) << c.label;
        EXPECT_EQ(machine.journal, c.journal) << c.label << "\n" << Narrow(machine.journal);
    }
}

TEST(SilentRunInstall, RelaunchCarriesTheEffectiveChoicesAndTheSilentSwitch) {
    FakeMachine machine;
    machine.engines.TargetNeedsElevation = true;
    machine.elevatedExitCode = 0;
    EXPECT_EQ(RunWith(machine, {L"--silent", L"/D=D:\\Quill Apps", L"--components=DOCS", L"--no-shortcuts"}), 0);
    ASSERT_EQ(machine.engines.Relaunches.size(), 1u);
    EXPECT_EQ(machine.engines.Relaunches[0], (Lines{L"--elevated", L"--silent", L"--dir=\"D:\\Quill Apps\"",
                                                    L"--per-user", L"--shortcuts=", L"--components=core,docs"}));
    EXPECT_TRUE(machine.installs.empty());
}

TEST(SilentRunInstall, RelaunchKeepsPathOffAgainstTheManifestsDefault) {
    auto manifest = std::make_shared<InstallManifest>(*Manifest());
    manifest->OfferAddToPath = true;
    manifest->AddToPathByDefault = true;
    FakeMachine machine;
    machine.engines.TargetNeedsElevation = true;
    machine.elevatedExitCode = 0;
    SilentRun::Run(manifest, CommandLineOptions::Parse(Lines{L"/S", L"--no-add-to-path"}), machine.engines, machine);
    ASSERT_EQ(machine.engines.Relaunches.size(), 1u);
    EXPECT_EQ(machine.engines.Relaunches[0].back(), L"--no-add-to-path");
}

TEST(SilentRunInstall, FailuresAndCancellation) {
    struct Case {
        const char* label;
        std::function<void(const LogLine&)> run;
        int exitCode;
        Lines tail;
    };
    const Case cases[] = {
        {"engine failure",
         [](const LogLine& log) {
             log(L"Копирование файлов");
             throw Core::InstallFailedException(L"Файл занят другим процессом: app.exe");
         },
         1,
         {L"[install]", L"Копирование файлов", L"ОШИБКА: Файл занят другим процессом: app.exe"}},
        {"platform failure",
         [](const LogLine&) { throw UnauthorizedAccessException(L"Отказано в доступе."); },
         1,
         {L"[install]", L"ОШИБКА: Отказано в доступе."}},
        {"standard failure",
         [](const LogLine&) { throw std::runtime_error("bad allocation"); },
         1,
         {L"[install]", L"ОШИБКА: bad allocation"}},
        // A cancellation ends without a line of its own.
        {"cancelled",
         [](const LogLine& log) {
             log(L"Копирование файлов");
             throw OperationCanceledException();
         },
         1223,
         {L"[install]", L"Копирование файлов"}},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.installRun = c.run;
        EXPECT_EQ(RunWith(machine, {L"/S"}), c.exitCode) << c.label;
        Lines expected{OpenLine, Header};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(machine.journal, expected) << c.label << "\n" << Narrow(machine.journal);
    }
}

TEST(SilentRunInstall, AFailureBeforeTheEngineIsLoggedToo) {
    FakeMachine machine;
    machine.summaryRun = [] { throw InvalidDataException(L"Пакет повреждён: неверная сигнатура."); };
    EXPECT_EQ(RunWith(machine, {L"/S"}), 1);
    EXPECT_EQ(machine.journal, (Lines{OpenLine, Header, L"ОШИБКА: Пакет повреждён: неверная сигнатура."}));
}

TEST(SilentRunLog, ALogThatCannotBeOpenedOrWrittenCostsOnlyTheLog) {
    const std::function<std::unique_ptr<LogWriter>()> failures[] = {
        []() -> std::unique_ptr<LogWriter> { throw IOException(L"The process cannot access the file."); },
        []() -> std::unique_ptr<LogWriter> { throw UnauthorizedAccessException(L"Access is denied."); },
        []() -> std::unique_ptr<LogWriter> { throw DirectoryNotFoundException(L"No temporary directory."); },
    };
    for (const auto& failure : failures) {
        FakeMachine machine;
        machine.openLog = failure;
        EXPECT_EQ(RunWith(machine, {L"/S"}), 0);
        EXPECT_EQ(machine.journal, (Lines{OpenLine, L"[install]"})) << Narrow(machine.journal);
    }
    // The header cannot be written: no log at all.
    FakeMachine headerFails;
    headerFails.failWritesFrom = 0;
    EXPECT_EQ(RunWith(headerFails, {L"/S"}), 0);
    EXPECT_EQ(headerFails.journal, (Lines{OpenLine, L"[install]"}));
    // A write that fails later ends the log there, not the installation.
    FakeMachine laterFails;
    laterFails.failWritesFrom = 2;
    laterFails.installRun = [](const LogLine& log) {
        log(L"первая");
        log(L"вторая");
        log(L"третья");
    };
    EXPECT_EQ(RunWith(laterFails, {L"/S"}), 0);
    EXPECT_EQ(laterFails.journal, (Lines{OpenLine, Header, L"[install]", L"первая"}));
    // Whatever the write fails with: a failure thrown back into the engine's log event would end
    // the installation for the sake of a log line.
    const std::function<void()> otherFailures[] = {
        [] { throw PlatformException(L"The device does not recognize the command.", 22); },
        [] { throw InvalidOperationException(L"closed"); },
        [] { throw std::bad_alloc(); },
    };
    for (const auto& failure : otherFailures) {
        FakeMachine machine;
        machine.failWritesFrom = 1;
        machine.writeFailure = failure;
        machine.installRun = [](const LogLine& log) {
            log(L"первая");
            log(L"вторая");
        };
        EXPECT_EQ(RunWith(machine, {L"/S"}), 0);
        EXPECT_EQ(machine.journal, (Lines{OpenLine, Header, L"[install]"})) << Narrow(machine.journal);
        ASSERT_EQ(machine.installs.size(), 1u);
    }
}

TEST(SilentRunLog, OtherFailuresOfOpeningEndTheRun) {
    FakeMachine machine;
    machine.openLog = []() -> std::unique_ptr<LogWriter> { throw ArgumentException(L"Null character in path."); };
    EXPECT_THROW(RunWith(machine, {L"/S"}), ArgumentException);
    EXPECT_TRUE(machine.installs.empty());
}

Core::FoundInstallation Found(const std::wstring& dir, bool perMachine = false) {
    Core::FoundInstallation found;
    found.InstallDir = dir;
    found.Record.InstallDir = dir;
    found.Record.PerMachine = perMachine;
    return found;
}

TEST(SilentRunUninstall, Outcomes) {
    struct Case {
        const char* label;
        std::vector<std::wstring> arguments;
        std::optional<Core::FoundInstallation> found;
        std::function<void(const LogLine&)> run;
        int exitCode;
        Lines tail;
    };
    const auto completes = [](const LogLine& log) { log(L"Удаление завершено"); };
    const Case cases[] = {
        {"nothing found", {L"/S", L"--uninstall"}, std::nullopt, completes, 0, {NothingToRemove}},
        {"found",
         {L"/S", L"--uninstall"},
         Found(L"C:\\Apps\\Quill"),
         completes,
         0,
         {L"[uninstall C:\\Apps\\Quill]", L"Удаление завершено", L"[self-delete C:\\Apps\\Quill]"}},
        // The folders the installation made above its own go after it, when they are empty.
        {"folders made above",
         {L"/S", L"--uninstall"},
         [] {
             Core::FoundInstallation found = Found(L"C:\\Vendor\\Quill");
             found.Record.ParentDirectories = {L"C:\\Vendor"};
             return found;
         }(),
         completes,
         0,
         {L"[uninstall C:\\Vendor\\Quill]", L"Удаление завершено", L"[self-delete C:\\Vendor\\Quill C:\\Vendor]"}},
        {"keep data",
         {L"/S", L"--uninstall", L"--keep-data"},
         Found(L"C:\\Apps\\Quill"),
         completes,
         0,
         {L"[uninstall C:\\Apps\\Quill keep]", L"Удаление завершено", L"[self-delete C:\\Apps\\Quill]"}},
        // Per-machine without rights: the engine refuses, and nothing is reported as done.
        {"per-machine without rights",
         {L"/S", L"--uninstall"},
         Found(L"C:\\Program Files\\Quill", true),
         [](const LogLine&) {
             throw UnauthorizedAccessException(L"Недостаточно прав для удаления записи об установке.");
         },
         1,
         {L"[uninstall C:\\Program Files\\Quill]", L"ОШИБКА: Недостаточно прав для удаления записи об установке."}},
        {"cancelled",
         {L"/S", L"--uninstall"},
         Found(L"C:\\Apps\\Quill"),
         [](const LogLine&) { throw OperationCanceledException(); },
         1223,
         {L"[uninstall C:\\Apps\\Quill]"}},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.engines.Found = c.found;
        machine.uninstallRun = c.run;
        // An uninstall never asks for elevation, however the machine would answer.
        machine.engines.TargetNeedsElevation = true;
        const int code = SilentRun::Run(Manifest(), CommandLineOptions::Parse(c.arguments), machine.engines, machine);
        EXPECT_EQ(code, c.exitCode) << c.label;
        Lines expected{OpenLine, Header};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(machine.journal, expected) << c.label << "\n" << Narrow(machine.journal);
        EXPECT_TRUE(machine.engines.Relaunches.empty()) << c.label;
        EXPECT_EQ(machine.engines.Recorded().ExplicitDirs, Dirs{std::nullopt}) << c.label;
    }
}

TEST(SilentRunUninstall, SearchesTheCommandLinesDirectory) {
    FakeMachine machine;
    EXPECT_EQ(SilentRun::Run(Manifest(), CommandLineOptions::Parse(Lines{L"/S", L"/U", L"/D=E:\\Quill"}),
                             machine.engines, machine),
              0);
    EXPECT_EQ(machine.engines.Recorded().ExplicitDirs, Dirs{L"E:\\Quill"});
}

}  // namespace
}  // namespace Ravenquill::SilentRun
