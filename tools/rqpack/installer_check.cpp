#include "installer_check.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "core/common/errors.h"
#include "core/common/read_stream.h"
#include "core/common/text.h"
#include "core/engine/engines/install_rules.h"
#include "core/model/core_json.h"
#include "fs_path.h"
#include "logo_check.h"
#include "payload_kind.h"

namespace Ravenquill::Tools {
namespace {

using namespace Core;
namespace fs = std::filesystem;

std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }

class Findings {
public:
    explicit Findings(std::vector<CheckFinding>& list) : list_(list) {}

    void Error(std::wstring where, std::wstring message) {
        list_.push_back({true, std::move(where), std::move(message)});
    }
    void Warning(std::wstring where, std::wstring message) {
        list_.push_back({false, std::move(where), std::move(message)});
    }

private:
    std::vector<CheckFinding>& list_;
};

std::wstring At(const std::wstring& file, std::optional<CoreJson::TextPlace> place) {
    if (!place || place->Line == 0) return file;
    return file + L":" + std::to_wstring(place->Line) + L":" + std::to_wstring(place->Column);
}

// The folders below the root that hold no file at any depth, each only where its parent holds one:
// a package records files alone, so such a folder is not installed.
std::vector<std::wstring> EmptyFolders(const fs::path& root) {
    std::set<fs::path> holdingFiles;
    std::vector<fs::path> folders;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_directory()) {
            folders.push_back(entry.path());
            continue;
        }
        for (fs::path up = entry.path().parent_path(); up != root && holdingFiles.insert(up).second;)
            up = up.parent_path();
    }
    std::vector<std::wstring> empty;
    for (const fs::path& folder : folders) {
        const fs::path parent = folder.parent_path();
        if (holdingFiles.contains(folder) || (parent != root && !holdingFiles.contains(parent))) continue;
        std::wstring relative = FromFsPath(folder.lexically_relative(root));
        std::replace(relative.begin(), relative.end(), L'/', L'\\');
        empty.push_back(std::move(relative));
    }
    std::sort(empty.begin(), empty.end());
    return empty;
}

// True when a payload file's name says the kind its content is; else says what is wrong.
bool HasPayloadName(const std::wstring& path, const FileKind& kind, Findings& findings) {
    const bool namedZip = Text::EndsWithIgnoreCase(path, L".zip");
    const bool namedPackage = Text::EndsWithIgnoreCase(path, L".rqpk");
    if (!namedZip && !namedPackage) {
        findings.Error(
            path, L"the payload is " + kind.Text + L", but a payload is a folder, an .rqpk package or a .zip archive");
        return false;
    }
    if (namedPackage && kind.Content == ContentKind::ZipArchive) {
        findings.Error(path, L"the payload is a zip archive, not an RQPK2 package: give it a name ending in .zip");
        return false;
    }
    if (namedZip && kind.Content == ContentKind::Package) {
        findings.Error(path, L"the payload is an RQPK2 package, not a zip archive: give it a name ending in .rqpk");
        return false;
    }
    return true;
}

// The payload's file paths, or nothing when it cannot be read as a payload of its kind.
std::optional<std::vector<std::wstring>> CheckPayload(const std::wstring& path, Findings& findings) {
    std::error_code error;
    const fs::file_status status = fs::status(ToFsPath(path), error);
    if (!fs::exists(status)) {
        findings.Error(path, L"no such folder or file for the payload");
        return std::nullopt;
    }
    const bool isFolder = fs::is_directory(status);
    std::vector<std::wstring> files;
    std::vector<std::wstring> emptyFolders;
    // A payload that cannot be read is one finding about it, so the manifest's and the logo's
    // findings are still told.
    try {
        if (!isFolder && !HasPayloadName(path, DescribeFile(path), findings)) return std::nullopt;
        const std::unique_ptr<PayloadSource> source = OpenPayload(path);
        for (const PayloadEntry& entry : source->Entries()) files.push_back(entry.RelativePath);
        if (isFolder) emptyFolders = EmptyFolders(ToFsPath(path));
    } catch (const fs::filesystem_error& e) {
        const std::wstring where = e.path1().empty() ? std::wstring() : FromFsPath(e.path1()) + L": ";
        findings.Error(path, where + Text::FromUtf8(e.code().message()));
        return std::nullopt;
    } catch (const std::exception& e) {
        findings.Error(path, MessageOf(e));
        return std::nullopt;
    }
    for (const std::wstring& folder : emptyFolders)
        findings.Warning(path, L"the empty folder " + Quoted(folder) +
                                   L" is left out: a package carries files only, so it is not installed");
    if (files.empty())
        findings.Error(path,
                       L"the payload has no files: the installer would refuse with \"В выбранных "
                       L"компонентах нет файлов для установки.\"");
    return files;
}

// A path of the manifest as the payload writes it: '\' between the parts, no "." or empty parts.
std::wstring PayloadForm(std::wstring_view path) {
    std::wstring text(path);
    std::replace(text.begin(), text.end(), L'/', L'\\');
    std::wstring out;
    for (const std::wstring& part : Text::Split(text, L'\\')) {
        if (part.empty() || part == L".") continue;
        if (!out.empty()) out += L'\\';
        out += part;
    }
    return out;
}

void CheckAgainstPayload(const std::wstring& file, const CoreJson::ManifestCheck& check,
                         const std::vector<std::wstring>& files, Findings& findings) {
    const InstallManifest& manifest = *check.Manifest;
    const auto inPayload = [&](std::wstring_view name) {
        const std::wstring wanted = PayloadForm(name);
        return std::any_of(files.begin(), files.end(),
                           [&](const std::wstring& f) { return Text::EqualsIgnoreCase(f, wanted); });
    };
    const std::pair<const wchar_t*, const std::optional<std::wstring>*> named[] = {
        {L"mainExecutable", &manifest.MainExecutable}, {L"iconPath", &manifest.IconPath}};
    for (const auto& [key, value] : named) {
        if (*value && !Text::IsNullOrWhiteSpace(**value) && !inPayload(**value))
            findings.Error(At(file, check.PlaceOf(key)),
                           Quoted(key) + L" names " + Quoted(**value) + L", which is not in the payload");
    }

    // Each file belongs to the first component whose prefix it lies under, as the engine selects.
    const std::vector<ComponentDefinition>& components = manifest.Components;
    std::vector<std::size_t> owned(components.size(), 0);
    std::vector<bool> matched(components.size(), false);
    for (const std::wstring& path : files) {
        const std::optional<std::size_t> owner = InstallRules::OwnerOf(path, components);
        if (!owner) continue;
        ++owned[*owner];
        for (std::size_t i = *owner; i < components.size(); ++i)
            if (InstallRules::OwnsFiles(components[i]) && InstallRules::IsSameOrUnder(path, *components[i].PathPrefix))
                matched[i] = true;
    }
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (!InstallRules::OwnsFiles(components[i]) || owned[i] > 0) continue;
        const std::wstring index = L"components[" + std::to_wstring(i) + L"]";
        std::optional<CoreJson::TextPlace> place = check.PlaceOf(index + L".pathPrefix");
        if (!place) place = check.PlaceOf(index);
        const std::wstring what =
            L"the component " + Quoted(components[i].Id) + L" with the prefix " + Quoted(*components[i].PathPrefix);
        findings.Error(At(file, place), what + (matched[i] ? L" owns no file: a component before it takes every file "
                                                             L"it matches"
                                                           : L" matches no file in the payload"));
    }
}

void CheckManifestFile(const std::wstring& file, const std::optional<std::vector<std::wstring>>& payload,
                       Findings& findings) {
    std::vector<std::byte> bytes;
    try {
        const std::unique_ptr<ReadStream> stream = OpenFileForRead(file);
        if (stream->Length() > static_cast<std::int64_t>(CoreJson::MaxTextBytes)) {
            findings.Error(file, L"the manifest is larger than the installer reads (64 MiB)");
            return;
        }
        bytes = stream->ReadToEnd();
    } catch (const std::exception& e) {
        findings.Error(file, MessageOf(e));
        return;
    }
    const CoreJson::ManifestCheck check = CoreJson::CheckManifest(CoreJson::DecodeText(bytes));
    for (const CoreJson::ManifestProblem& problem : check.Errors)
        findings.Error(At(file, problem.Place), problem.Message);
    if (!check.Manifest) return;
    const std::wstring& id = check.Manifest->ProductId;
    if (!Text::IsNullOrWhiteSpace(id) && !InstallRules::IsUsableProductId(id))
        findings.Error(At(file, check.PlaceOf(L"productId")),
                       Quoted(L"productId") + L" " + Quoted(id) +
                           L" cannot name a file, which it does for the uninstall entry and the log: the installer "
                           L"refuses it (no \\ / : * ? \" < > |, control characters, \".\" or \"..\", nor a dot or "
                           L"blank at its end, "
                           L"and no longer than " +
                           std::to_wstring(InstallRules::MaxProductIdLength) + L" characters)");
    if (payload) CheckAgainstPayload(file, check, *payload, findings);
}

}  // namespace

std::wstring CheckFinding::ToString() const { return Where + (IsError ? L": error: " : L": warning: ") + Message; }

std::vector<CheckFinding> CheckInstallerInputs(const InstallerInputs& inputs) {
    std::vector<CheckFinding> manifestFindings, payloadFindings, logoFindings;
    Findings onPayload(payloadFindings);
    std::optional<std::vector<std::wstring>> files;
    if (inputs.Payload) files = CheckPayload(*inputs.Payload, onPayload);
    if (inputs.Manifest) {
        Findings onManifest(manifestFindings);
        CheckManifestFile(*inputs.Manifest, files, onManifest);
    }
    if (inputs.Logo) {
        for (std::wstring& problem : CheckLogo(*inputs.Logo))
            logoFindings.push_back({true, *inputs.Logo, std::move(problem)});
    }
    std::vector<CheckFinding> all = std::move(manifestFindings);
    all.insert(all.end(), payloadFindings.begin(), payloadFindings.end());
    all.insert(all.end(), logoFindings.begin(), logoFindings.end());
    return all;
}

}  // namespace Ravenquill::Tools
