#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <array>

#include "core/common/errors.h"
#include "core/common/file_system.h"
#include "core/common/host.h"
#include "core/common/hresult.h"
#include "core/common/long_path.h"
#include "core/common/path.h"
#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"
#include "core/engine/platform/elevation.h"

namespace Ravenquill::Core::Elevation {
namespace {

std::array<std::uint8_t, 16> NewGuidBytes() {
    GUID guid{};
    ThrowIfFailed(CoCreateGuid(&guid), L"CoCreateGuid");
    // In the order the GUID is written: Data1 to Data3 most significant byte first, then Data4.
    std::array<std::uint8_t, 16> bytes{};
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(guid.Data1 >> (24 - 8 * i));
    bytes[4] = static_cast<std::uint8_t>(guid.Data2 >> 8);
    bytes[5] = static_cast<std::uint8_t>(guid.Data2);
    bytes[6] = static_cast<std::uint8_t>(guid.Data3 >> 8);
    bytes[7] = static_cast<std::uint8_t>(guid.Data3);
    for (std::size_t i = 0; i < 8; ++i) bytes[8 + i] = guid.Data4[i];
    return bytes;
}

// Any failure of the probe is a file failure: the kinds that name it, else an input/output error,
// so that an unusual refusal still reads as "cannot write here".
[[noreturn]] void ThrowProbeFailure(DWORD code, const std::wstring& path) { ThrowWin32Error(code, path); }

// Creates a file in dir and writes one byte; the system deletes it when it is closed.
void WriteProbe(const std::wstring& dir) {
    const std::array<std::uint8_t, 16> guid = NewGuidBytes();
    const std::wstring path = Path::Combine(dir, ProbeFileName(guid));
    UniqueFileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file) ThrowProbeFailure(GetLastError(), path);
    const BYTE zero = 0;
    DWORD written = 0;
    if (!WriteFile(file.get(), &zero, 1, &written, nullptr)) ThrowProbeFailure(GetLastError(), path);
    if (written != 1) throw IOException(L"The write probe could not be written: " + path);
}

// Sets member to whether the process token is in the built-in Administrators group; the failing
// call's error code, or ERROR_SUCCESS when the test answered.
DWORD TestAdministratorsMembership(BOOL& member) {
    // The membership test needs an impersonation token: the process token duplicated for it.
    UniqueHandle processToken;
    if (!OpenProcessToken(GetCurrentProcess(), MAXIMUM_ALLOWED, processToken.put())) return GetLastError();
    UniqueHandle token;
    if (!DuplicateToken(processToken.get(), SecurityIdentification, token.put())) return GetLastError();
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    UniqueSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, administrators.put()))
        return GetLastError();
    if (!CheckTokenMembership(token.get(), administrators.get(), &member)) return GetLastError();
    return ERROR_SUCCESS;
}

}  // namespace

void ElevatedProcess::HandleCloser::operator()(void* handle) const noexcept { CloseHandle(handle); }

std::uint32_t ElevatedProcess::WaitForExit() const {
    ThrowLastWin32ProcessErrorIf(WaitForSingleObject(handle_.get(), INFINITE) == WAIT_FAILED, L"WaitForSingleObject");
    DWORD code = 0;
    ThrowLastWin32ProcessErrorIf(!GetExitCodeProcess(handle_.get(), &code), L"GetExitCodeProcess");
    return code;
}

bool ElevatedProcess::WaitForExit(std::chrono::milliseconds timeout) const {
    const auto ms = timeout.count() < 0 ? 0 : timeout.count();
    const DWORD limit = ms >= static_cast<long long>(INFINITE) ? INFINITE - 1 : static_cast<DWORD>(ms);
    const DWORD result = WaitForSingleObject(handle_.get(), limit);
    ThrowLastWin32ProcessErrorIf(result == WAIT_FAILED, L"WaitForSingleObject");
    return result == WAIT_OBJECT_0;
}

std::optional<std::uint32_t> ElevatedProcess::ExitCode() const {
    if (!WaitForExit(std::chrono::milliseconds(0))) return std::nullopt;
    DWORD code = 0;
    ThrowLastWin32ProcessErrorIf(!GetExitCodeProcess(handle_.get(), &code), L"GetExitCodeProcess");
    return code;
}

bool CheckAdministrator() {
    BOOL member = FALSE;
    const DWORD failure = TestAdministratorsMembership(member);
    if (failure == ERROR_SUCCESS) return member != FALSE;
    if (failure == ERROR_ACCESS_DENIED || failure == ERROR_NOT_SUPPORTED || failure == ERROR_CALL_NOT_IMPLEMENTED) {
        return false;
    }
    ThrowWin32ProcessError(failure, L"CheckTokenMembership");
}

std::optional<std::wstring> FindExistingAncestor(const std::wstring& path) {
    return FindExistingAncestor(Path::GetFullPath(path), FileSystem::DirectoryExists);
}

bool RequiresElevation(const std::wstring& targetDir) { return !IsAdministrator() && !IsWritableTarget(targetDir); }

bool IsWritableTarget(const std::wstring& targetDir) {
    try {
        const std::optional<std::wstring> dir = FindExistingAncestor(targetDir);
        if (!dir) return false;
        WriteProbe(*dir);
        return true;
    } catch (const UnauthorizedAccessException&) {
        return false;
    } catch (const IOException&) {
        return false;
    } catch (const NotSupportedException&) {
        return false;
    } catch (const ArgumentException&) {
        return false;
    }
}

std::optional<ElevatedProcess> RelaunchElevated(std::span<const std::wstring> arguments) {
    const std::wstring executable = Host().ExecutablePath();
    if (executable.empty()) return std::nullopt;
    const std::wstring parameters = BuildArguments(arguments);
    const std::wstring folder = Path::GetDirectoryName(executable);

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // No error dialog of the shell's own: the caller offers a per-user install or reports the refusal.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"runas";
    info.lpFile = executable.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info) || info.hProcess == nullptr) return std::nullopt;
    return ElevatedProcess(info.hProcess);
}

}  // namespace Ravenquill::Core::Elevation
