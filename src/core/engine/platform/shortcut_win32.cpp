#include <objbase.h>
#include <shlobj.h>
#include <windows.h>
#include <wrl/client.h>

#include "core/common/errors.h"
#include "core/common/file_system.h"
#include "core/common/hresult.h"
#include "core/common/path.h"
#include "core/engine/platform/shortcut.h"

using Microsoft::WRL::ComPtr;

namespace Ravenquill::Core::Shortcut {
namespace {

struct LinkIds {
    CLSID ShellLink{};
    IID ShellLinkW{};
    IID PersistFile{};
};

// Parsed once from their text form and kept for the life of the process.
const LinkIds& Ids() {
    static const LinkIds ids = [] {
        LinkIds parsed;
        CLSIDFromString(L"{00021401-0000-0000-C000-000000000046}", &parsed.ShellLink);
        IIDFromString(L"{000214F9-0000-0000-C000-000000000046}", &parsed.ShellLinkW);
        IIDFromString(L"{0000010B-0000-0000-C000-000000000046}", &parsed.PersistFile);
        return parsed;
    }();
    return ids;
}

void Save(IShellLinkW* link, const std::wstring& lnkPath) {
    ComPtr<IPersistFile> file;
    ThrowIfFailed(link->QueryInterface(Ids().PersistFile, reinterpret_cast<void**>(file.GetAddressOf())));
    ThrowIfFailed(file->Save(lnkPath.c_str(), TRUE));
}

}  // namespace

void Create(const std::wstring& lnkPath, const std::wstring& target, const std::optional<std::wstring>& workingDir,
            const std::optional<std::wstring>& description, const std::optional<std::wstring>& iconPath,
            const std::optional<std::wstring>& arguments) {
    FileSystem::CreateDirectories(Path::GetDirectoryName(Path::GetFullPath(lnkPath)));

    ComPtr<IShellLinkW> link;
    const HRESULT created = CoCreateInstance(Ids().ShellLink, nullptr, CLSCTX_INPROC_SERVER, Ids().ShellLinkW,
                                             reinterpret_cast<void**>(link.GetAddressOf()));
    Ravenquill::ThrowIfFailed(created, L"Не удалось создать ярлык");

    ThrowIfFailed(link->SetPath(target.c_str()));
    ThrowIfFailed(link->SetWorkingDirectory(WorkingDirectoryFor(target, workingDir).c_str()));
    if (arguments && !arguments->empty()) ThrowIfFailed(link->SetArguments(arguments->c_str()));
    if (description && !description->empty()) {
        ThrowIfFailed(link->SetDescription(DescriptionFor(*description).c_str()));
    }
    if (iconPath && !iconPath->empty() && FileSystem::FileExists(*iconPath)) {
        ThrowIfFailed(link->SetIconLocation(iconPath->c_str(), 0));
    }
    Save(link.Get(), lnkPath);
}

}  // namespace Ravenquill::Core::Shortcut
