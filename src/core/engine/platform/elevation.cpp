#include "core/engine/platform/elevation.h"

#include <utility>

#include "core/common/path.h"
#include "core/engine/platform/command_line_quoting.h"

namespace Ravenquill::Core::Elevation {

bool IsAdministrator() {
    static const bool administrator = CheckAdministrator();
    return administrator;
}

std::optional<std::wstring> FindExistingAncestor(std::wstring_view fullPath,
                                                 const std::function<bool(const std::wstring&)>& directoryExists) {
    std::wstring current(fullPath);
    while (!current.empty()) {
        if (directoryExists(current)) return current;
        std::wstring parent = Path::GetDirectoryName(current);
        if (parent == current) break;  // a root that does not exist has no parent
        current = std::move(parent);
    }
    return std::nullopt;
}

std::wstring ProbeFileName(std::span<const std::uint8_t, 16> guid) {
    static constexpr wchar_t Digits[] = L"0123456789abcdef";
    std::wstring name = L".rq-write-probe-";
    for (const std::uint8_t byte : guid) {
        name.push_back(Digits[byte >> 4]);
        name.push_back(Digits[byte & 0x0F]);
    }
    return name;
}

std::wstring Quote(std::wstring_view value) { return QuoteArgument(value); }

std::wstring BuildArguments(std::span<const std::wstring> arguments) { return JoinArguments(arguments); }

}  // namespace Ravenquill::Core::Elevation
