// The journal of an install run undoing itself over a machine in memory: each kind of change put
// back, the refusals a clean-up step absorbs, and what a successful run keeps of what it moved aside.
#include "core/engine/engines/install_journal.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "core/common/errors.h"
#include "core/common/path.h"
#include "core/engine/support/install_fake_machine.h"

namespace Ravenquill::Core {
namespace {

using Testing::FakeInstallMachine;

constexpr bool Windows = Path::Separator == L'\\';
const std::wstring Root = Windows ? L"C:\\RqJournal" : L"/rqjournal";
const std::wstring Dir = Path::Combine(Root, L"App");

std::wstring At(const std::wstring& name) { return FakeInstallMachine::Key(Path::Combine(Dir, name)); }

// A machine with an earlier installation: its file, its entry and no PATH entry.
FakeInstallMachine Earlier() {
    FakeInstallMachine machine;
    machine.AddFile(At(L"app.exe"), "app v1");
    machine.Machine.Entries[{L"RqApp", false}] = L"v1";
    return machine;
}

// What a run did over it: the earlier file moved aside and replaced, a folder and a file of its
// own, its entry and PATH entry.
void Change(FakeInstallMachine& machine, InstallJournal& journal) {
    machine.MoveFile(At(L"app.exe"), At(L"app.exe.aside"));
    journal.MovedAsideTo(At(L"app.exe"), At(L"app.exe.aside"));
    machine.AddFile(At(L"app.exe"), "app v2");
    journal.Wrote(At(L"app.exe"));
    for (const std::wstring& made : machine.CreateDirectories(At(L"bin"))) journal.MadeInside(made);
    machine.AddFile(At(L"bin\\core.dll"), "core");
    journal.Wrote(At(L"bin\\core.dll"));
    journal.WritingUninstallEntry(L"RqApp", false, machine.ReadUninstallEntry(L"RqApp", false));
    machine.Machine.Entries[{L"RqApp", false}] = L"v2";
    ASSERT_TRUE(machine.AddPathEntry(Dir, false));
    journal.AddedPathEntry(Dir, false);
}

TEST(InstallJournalTest, UndoPutsEveryChangeBackAndARefusalLeavesOnlyItsOwnStep) {
    struct Case {
        const char* name;
        std::wstring failingSubject;
        std::function<std::exception_ptr()> failure;
        // What stays of the run when that step is refused.
        std::function<void(FakeInstallMachine::State&)> stays;
    };
    const Case cases[] = {
        {"nothing refused", L"", nullptr, [](FakeInstallMachine::State&) {}},
        {"a file held open", At(L"bin\\core.dll"), [] { return std::make_exception_ptr(IOException(L"занят", 32)); },
         [](FakeInstallMachine::State& state) {
             state.Directories.insert(At(L"bin"));
             state.Files[At(L"bin\\core.dll")] = "core";
         }},
        {"the entry's key refused", L"RqApp", [] { return std::make_exception_ptr(PlatformException(L"отказано", 5)); },
         [](FakeInstallMachine::State& state) {
             state.Entries[{L"RqApp", false}] = L"v2";
         }},
        {"the user's PATH without rights", Dir,
         [] { return std::make_exception_ptr(SecurityException(L"нет прав")); },
         [](FakeInstallMachine::State& state) { state.Path[false] = {Dir}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeInstallMachine machine = Earlier();
        FakeInstallMachine::State expected = machine.Machine;
        c.stays(expected);
        InstallJournal journal;
        Change(machine, journal);
        if (c.failure) machine.Failures[FakeInstallMachine::Key(c.failingSubject)] = c.failure();
        journal.Undo(machine);
        EXPECT_EQ(machine.Machine, expected);
    }
}

TEST(InstallJournalTest, ASuccessfulRunDeletesWhatItMovedAsideUnlessItIsKept) {
    FakeInstallMachine machine;
    machine.AddFile(At(L"uninstall.exe"), "uninstaller v1");
    machine.AddFile(At(L"readme.txt"), "readme v1");
    InstallJournal journal;
    machine.MoveFile(At(L"uninstall.exe"), At(L"uninstall.exe.old"));
    journal.MovedAsideTo(At(L"uninstall.exe"), At(L"uninstall.exe.old"), true);
    machine.MoveFile(At(L"readme.txt"), At(L"readme.txt.aside"));
    journal.MovedAsideTo(At(L"readme.txt"), At(L"readme.txt.aside"));
    journal.Discard(machine);
    EXPECT_EQ(machine.Content(At(L"uninstall.exe.old")), "uninstaller v1");
    EXPECT_FALSE(machine.FileExists(At(L"readme.txt.aside")));
    EXPECT_EQ(journal.MovedAsideCount(), 0u);
}

TEST(InstallJournalTest, FilesWrittenAreKnownHoweverTheirPathIsCased) {
    InstallJournal journal;
    journal.Wrote(L"C:\\App\\Bin\\Core.dll");
    EXPECT_TRUE(journal.WroteFile(L"c:\\app\\bin\\CORE.DLL"));
    EXPECT_FALSE(journal.WroteFile(L"C:\\App\\Bin\\Other.dll"));
}

}  // namespace
}  // namespace Ravenquill::Core
