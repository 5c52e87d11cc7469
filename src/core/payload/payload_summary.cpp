#include "payload_summary.h"

#include <algorithm>
#include <limits>

#include "checked_math.h"
#include "core/common/errors.h"
#include "core/common/text.h"

namespace Ravenquill::Core {

bool IgnoreCaseLess::operator()(const std::wstring& a, const std::wstring& b) const noexcept {
    return Text::CompareIgnoreCase(a, b) < 0;
}

PayloadSummary PayloadSummary::Load(const InstallManifest& manifest) {
    const std::unique_ptr<PayloadSource> source = PayloadSource::Open();
    if (!source) return PayloadSummary{};
    return FromSource(*source, manifest);
}

PayloadSummary PayloadSummary::FromSource(const PayloadSource& source, const InstallManifest& manifest) {
    PayloadSummary summary;
    for (const ComponentDefinition& component : manifest.Components) summary.ComponentBytes.emplace(component.Id, 0);

    for (const PayloadEntry& entry : source.Entries()) {
        const auto owner = std::find_if(manifest.Components.begin(), manifest.Components.end(), [&](const auto& c) {
            return c.PathPrefix && !Text::IsNullOrWhiteSpace(*c.PathPrefix) &&
                   IsUnder(*c.PathPrefix, entry.RelativePath);
        });
        std::int64_t& bucket =
            owner != manifest.Components.end() ? summary.ComponentBytes[owner->Id] : summary.UnassignedBytes;
        bucket = PayloadDetail::CheckedAdd(bucket, entry.Length);
    }

    if (source.Entries().size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw InvalidDataException(L"Arithmetic operation resulted in an overflow.");
    summary.HasPayload = true;
    summary.TotalBytes = source.TotalBytes();
    summary.FileCount = static_cast<std::int32_t>(source.Entries().size());
    return summary;
}

bool PayloadSummary::IsUnder(std::wstring_view prefix, std::wstring_view path) {
    std::wstring p(prefix);
    std::replace(p.begin(), p.end(), L'/', L'\\');
    while (!p.empty() && p.back() == L'\\') p.pop_back();
    p += L'\\';
    return Text::StartsWithIgnoreCase(path, p);
}

}  // namespace Ravenquill::Core
