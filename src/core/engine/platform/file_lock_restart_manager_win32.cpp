#include <windows.h>
// after windows.h, which it needs; only for checking the layout of the records below
#include <restartmanager.h>

#include <cstddef>
#include <cwchar>
#include <vector>

#include "core/common/system_library_win32.h"
#include "core/engine/platform/file_lock_platform.h"

// The Restart Manager is reached through rstrtmgr.dll loaded from the system directory, never by
// a static import, so that a DLL of that name planted beside a downloaded installer is not loaded.
namespace Ravenquill::Core::FileLockPlatform {
namespace {

struct RmUniqueProcess {
    DWORD ProcessId;
    FILETIME ProcessStartTime;
};

struct RmProcessInfo {
    RmUniqueProcess Process;
    WCHAR AppName[256];
    WCHAR ServiceShortName[64];
    int ApplicationType;
    ULONG AppStatus;
    DWORD TSSessionId;
    BOOL Restartable;
};

static_assert(sizeof(RmUniqueProcess) == sizeof(RM_UNIQUE_PROCESS));
static_assert(sizeof(RmProcessInfo) == sizeof(RM_PROCESS_INFO));
static_assert(offsetof(RmProcessInfo, AppName) == offsetof(RM_PROCESS_INFO, strAppName));

using RmStartSessionFn = DWORD(WINAPI*)(DWORD* session, DWORD flags, WCHAR key[]);
using RmRegisterResourcesFn = DWORD(WINAPI*)(DWORD session, UINT files, LPCWSTR fileNames[], UINT applications,
                                             RmUniqueProcess processes[], UINT services, LPCWSTR serviceNames[]);
using RmGetListFn = DWORD(WINAPI*)(DWORD session, UINT* needed, UINT* count, RmProcessInfo infos[], DWORD* reasons);
using RmEndSessionFn = DWORD(WINAPI*)(DWORD session);

constexpr std::size_t SessionKeyLength = 33;  // two hexadecimal digits per byte of a GUID, and the terminator

template <class F>
F Function(HMODULE library, const char* name) {
    // GetProcAddress answers an untyped pointer; the type is the one the library documents.
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

class Session {
public:
    Session(RmEndSessionFn end, DWORD handle) : end_(end), handle_(handle) {}
    ~Session() { end_(handle_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    DWORD Handle() const noexcept { return handle_; }

private:
    RmEndSessionFn end_;
    DWORD handle_;
};

}  // namespace

std::vector<FileLockRecords::RestartManagerHolder> QueryRestartManagerList(const std::wstring& path) {
    UniqueHModule library = LoadSystemLibrary(L"rstrtmgr.dll");
    if (!library) return {};
    auto startSession = Function<RmStartSessionFn>(library.get(), "RmStartSession");
    auto registerResources = Function<RmRegisterResourcesFn>(library.get(), "RmRegisterResources");
    auto getList = Function<RmGetListFn>(library.get(), "RmGetList");
    auto endSession = Function<RmEndSessionFn>(library.get(), "RmEndSession");
    if (!startSession || !registerResources || !getList || !endSession) return {};

    DWORD handle = 0;
    WCHAR key[SessionKeyLength] = {};
    if (startSession(&handle, 0, key) != ERROR_SUCCESS) return {};
    Session session(endSession, handle);

    LPCWSTR files[] = {path.c_str()};
    if (registerResources(session.Handle(), 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS) return {};

    UINT needed = 0;
    UINT count = 0;
    DWORD reasons = 0;
    if (getList(session.Handle(), &needed, &count, nullptr, &reasons) != ERROR_MORE_DATA || needed == 0) return {};

    // Exactly the needed number: holders that appear meanwhile make the second call fail, and the
    // query then answers nobody rather than trying again.
    std::vector<RmProcessInfo> infos(needed);
    count = needed;
    if (getList(session.Handle(), &needed, &count, infos.data(), &reasons) != ERROR_SUCCESS) return {};

    std::vector<FileLockRecords::RestartManagerHolder> holders;
    for (UINT i = 0; i < count && i < infos.size(); ++i) {
        const RmProcessInfo& info = infos[i];
        holders.push_back({static_cast<std::int32_t>(info.Process.ProcessId),
                           std::wstring(info.AppName, wcsnlen(info.AppName, std::size(info.AppName)))});
    }
    return holders;
}

}  // namespace Ravenquill::Core::FileLockPlatform
