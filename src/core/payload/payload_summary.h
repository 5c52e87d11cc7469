#pragma once
// What the payload holds before anything is installed: sizes per component, outside every
// component and in total, from the payload's index alone.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "core/model/install_manifest.h"
#include "payload_source.h"

namespace Ravenquill::Core {

struct IgnoreCaseLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const noexcept;
};

class PayloadSummary {
public:
    // Component id → bytes it owns; with a payload every manifest component has a key. Ids are
    // compared ignoring case: two components whose ids differ only in case share one key.
    std::map<std::wstring, std::int64_t, IgnoreCaseLess> ComponentBytes;
    std::int64_t TotalBytes = 0;
    std::int64_t UnassignedBytes = 0;
    std::int32_t FileCount = 0;
    bool HasPayload = false;

    // The summary of what PayloadSource::Open finds (empty when nothing); the source is closed on
    // every way out, and its failures reach the caller.
    static PayloadSummary Load(const InstallManifest& manifest);
    static PayloadSummary FromSource(const PayloadSource& source, const InstallManifest& manifest);
    // Whether the path lies below the prefix (not the prefix itself), ignoring case.
    static bool IsUnder(std::wstring_view prefix, std::wstring_view path);
};

}  // namespace Ravenquill::Core
