#include <filesystem>

#include "host.h"
#include "text.h"

namespace Ravenquill::Detail {
namespace {

class PosixHost final : public HostEnvironment {
public:
    std::wstring ExecutablePath() const override {
        std::error_code error;
        const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::wstring() : Text::FromUtf8(path.string());
    }
    // Native builds embed nothing.
    std::optional<std::span<const std::byte>> FindEmbeddedResource(std::wstring_view) const override { return std::nullopt; }
};

}  // namespace

const HostEnvironment& PlatformHost() {
    static const PosixHost host;
    return host;
}

}  // namespace Ravenquill::Detail
