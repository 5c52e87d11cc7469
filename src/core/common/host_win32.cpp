#include <windows.h>

#include "host.h"
#include "system_text_win32.h"

namespace Ravenquill::Detail {
namespace {

class Win32Host final : public HostEnvironment {
public:
    std::wstring ExecutablePath() const override { return ModuleFileName(); }

    std::optional<std::span<const std::byte>> FindEmbeddedResource(std::wstring_view name) const override {
        const std::wstring key(name);
        HRSRC info = FindResourceW(nullptr, key.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
        if (info == nullptr) return std::nullopt;
        HGLOBAL loaded = LoadResource(nullptr, info);
        const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (data == nullptr) return std::nullopt;
        // Resources stay mapped for the life of the process.
        return std::span<const std::byte>(static_cast<const std::byte*>(data), SizeofResource(nullptr, info));
    }
};

}  // namespace

const HostEnvironment& PlatformHost() {
    static const Win32Host host;
    return host;
}

}  // namespace Ravenquill::Detail
