// The program as an elevated relaunch starts it, for the tests that copy it into a setup folder:
// the entry routine over the process's arguments, nothing more.
#include <windows.h>

#include <optional>

#include "app/program.h"
#include "core/common/com_apartment_win32.h"
#include "core/common/command_line_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace Ravenquill;
    const std::optional<ComApartment> apartment = ComApartment::TryEnter(ApartmentKind::MultiThreaded);
    try {
        return Program::Main(ProcessArguments());
    } catch (...) {
        return 99;
    }
}
