// The silent uninstall's last act: the running "uninstall.exe" cannot delete itself, so a hidden
// command processor does it once this process has ended.
#include <windows.h>

#include "core/common/file_system.h"
#include "core/common/path.h"
#include "core/common/system_text_win32.h"
#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"
#include "uninstall_engine.h"
#include "uninstall_rules.h"

namespace Ravenquill::Core {

void UninstallEngine::ScheduleSelfDelete(const std::wstring& dir, const std::vector<std::wstring>& recordedParents) {
    if (dir.empty() || !FileSystem::DirectoryExists(dir)) return;
    // The command processor starts in the system directory (so that its working directory does not
    // keep the folder alive), where a relative directory would name another folder.
    const std::wstring full(Path::TrimEndingSeparators(Path::GetFullPath(dir)));
    const std::wstring systemDir = SystemDirectory();
    // By its full path: a bare "cmd.exe" is looked up in the running program's own folder first,
    // which is the install directory.
    const std::wstring program = Path::Combine(systemDir, L"cmd.exe");
    // The folders the installation made above its own, once it is gone (a publisher's folder).
    std::wstring commandLine =
        L"\"" + program + L"\" " +
        UninstallRules::SelfDeleteArguments(full, UninstallRules::ParentsToRemove(full, recordedParents));

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, nullptr, systemDir.c_str(), &startup,
                        &process)) {
        return;  // a refused start leaves the folder in place; nothing to report to a finished run
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
}

}  // namespace Ravenquill::Core
