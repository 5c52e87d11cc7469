#include "core/model/install_manifest.h"

#include "core/common/errors.h"
#include "core/common/file_system.h"
#include "core/common/host.h"
#include "core/common/path.h"
#include "core/common/read_stream.h"
#include "core/common/text.h"
#include "core/model/core_json.h"
#include "core/model/environment_expansion.h"

namespace Ravenquill::Core {
namespace {

constexpr std::wstring_view EmbeddedManifestName = L"Ravenquill.Manifest.json";
constexpr std::wstring_view SideManifestName = L"installer.json";

// Replaces every occurrence of token, compared ignoring case; replacements are not rescanned.
std::wstring ReplaceIgnoreCase(std::wstring_view text, std::wstring_view token, std::wstring_view replacement) {
    std::wstring out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.size() - i >= token.size() && Text::EqualsIgnoreCase(text.substr(i, token.size()), token)) {
            out.append(replacement);
            i += token.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

bool IsControl(wchar_t c) { return c <= 0x1F || (c >= 0x7F && c <= 0x9F); }

InstallManifest FromText(const std::wstring& text) {
    if (Text::IsNullOrWhiteSpace(text)) return InstallManifest();
    return CoreJson::ReadManifest(text).value_or(InstallManifest());
}

}  // namespace

InstallManifest InstallManifest::Load() {
    if (const std::optional<std::wstring> embedded = ReadEmbeddedText(EmbeddedManifestName)) return FromText(*embedded);

    // Only a file counts (a directory of that name does not); failures to read it reach the caller.
    const std::wstring directory = ExecutableDirectory();
    if (directory.empty()) return InstallManifest();
    const std::wstring path = Path::Combine(directory, SideManifestName);
    if (!FileSystem::FileExists(path)) return InstallManifest();
    const std::unique_ptr<ReadStream> stream = OpenFileForRead(path);
    // A file too large to be a manifest is not read into memory; it counts as invalid text.
    if (stream->Length() > static_cast<std::int64_t>(CoreJson::MaxTextBytes)) return InstallManifest();
    return FromText(CoreJson::DecodeText(stream->ReadToEnd()));
}

std::optional<std::wstring> InstallManifest::ReadEmbeddedText(std::wstring_view name) {
    const auto bytes = Host().FindEmbeddedResource(name);
    if (!bytes) return std::nullopt;
    return CoreJson::DecodeText(*bytes);
}

std::wstring InstallManifest::Expand(std::wstring_view templateText) const {
    std::wstring text = ReplaceIgnoreCase(templateText, L"{ProductName}", SanitizeFileName(ProductName));
    text = ReplaceIgnoreCase(text, L"{Publisher}", SanitizeFileName(Publisher));
    text = ReplaceIgnoreCase(text, L"{ProductId}", SanitizeFileName(ProductId));
    text = ReplaceIgnoreCase(text, L"{Version}", Version);
    return Detail::ExpandEnvironmentVariables(text);
}

std::wstring InstallManifest::SanitizeFileName(std::wstring_view name) {
    static constexpr std::wstring_view Invalid = L"<>:\"/\\|?*";
    std::wstring out(name);
    for (wchar_t& c : out) {
        if (IsControl(c) || Invalid.find(c) != std::wstring_view::npos) c = L'_';
    }
    return std::wstring(Text::Trim(out));
}

std::optional<std::wstring> InstallManifest::FirstNonEmpty(std::initializer_list<std::optional<std::wstring>> texts) {
    for (const auto& text : texts) {
        if (text && !Text::IsNullOrWhiteSpace(*text)) return text;
    }
    return std::nullopt;
}

std::wstring InstallManifest::EffectiveAccent() const {
    return FirstNonEmpty({Accent, AccentStart}).value_or(L"#4C8DFF");
}

std::wstring InstallManifest::EffectiveStartMenuFolder() const {
    if (StartMenuFolder && !Text::IsNullOrWhiteSpace(*StartMenuFolder)) return SanitizeFileName(*StartMenuFolder);
    return SanitizeFileName(ProductName);
}

}  // namespace Ravenquill::Core
