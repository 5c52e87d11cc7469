#pragma once
// Reads a saved ".lnk" file back through the shell's own link object, so tests check what the
// shell will see rather than what the writer meant to write.
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace Ravenquill::Core::Testing {

struct ShellLinkContents {
    std::wstring Target;
    std::wstring Arguments;
    std::wstring WorkingDirectory;
    std::wstring Description;
    std::wstring IconPath;
    int IconIndex = -1;
};

// A link that cannot be loaded is a test failure and reads as empty.
inline ShellLinkContents ReadShellLink(const std::filesystem::path& lnk) {
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    ShellLinkContents contents;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.GetAddressOf()))) ||
        FAILED(link.As(&file)) || FAILED(file->Load(lnk.c_str(), STGM_READ))) {
        ADD_FAILURE() << "cannot load " << lnk.string();
        return contents;
    }
    wchar_t text[1024] = {};
    if (SUCCEEDED(link->GetPath(text, 1024, nullptr, SLGP_RAWPATH))) contents.Target = text;
    text[0] = 0;
    if (SUCCEEDED(link->GetArguments(text, 1024))) contents.Arguments = text;
    text[0] = 0;
    if (SUCCEEDED(link->GetWorkingDirectory(text, 1024))) contents.WorkingDirectory = text;
    text[0] = 0;
    if (SUCCEEDED(link->GetDescription(text, 1024))) contents.Description = text;
    text[0] = 0;
    if (SUCCEEDED(link->GetIconLocation(text, 1024, &contents.IconIndex))) contents.IconPath = text;
    return contents;
}

}  // namespace Ravenquill::Core::Testing
