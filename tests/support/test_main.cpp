// The main of every test executable. On Windows the main thread joins the multithreaded COM
// apartment, as the product's does, so worker threads can use COM implicitly.
#include <gtest/gtest.h>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>

#include <optional>

#include "core/common/com_apartment_win32.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    const std::optional<Ravenquill::ComApartment> apartment =
        Ravenquill::ComApartment::TryEnter(Ravenquill::ApartmentKind::MultiThreaded);
#endif
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#ifdef _WIN32
    // Ends here, as the product's entry does: a thread-pool worker that a test left waiting must not
    // hold the process open through the static destructors and the DLL detach that follow.
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
#endif
    return result;
}
