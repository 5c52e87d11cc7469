#pragma once
// The running executable as a test wants it: at a chosen path (its folder is where side files are
// looked for) with chosen embedded resources. Installed with ScopedHost.
#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/host.h"

namespace Ravenquill::Testing {

class FakeHost final : public HostEnvironment {
public:
    explicit FakeHost(std::wstring executablePath) : executablePath_(std::move(executablePath)) {}

    std::wstring ExecutablePath() const override { return executablePath_; }
    std::optional<std::span<const std::byte>> FindEmbeddedResource(std::wstring_view name) const override {
        const auto found = resources_.find(std::wstring(name));
        if (found == resources_.end()) return std::nullopt;
        return std::span<const std::byte>(found->second);
    }

    void Embed(const std::wstring& name, std::vector<std::byte> bytes) { resources_[name] = std::move(bytes); }
    void Embed(const std::wstring& name, std::string_view bytes) {
        const auto view = std::as_bytes(std::span(bytes));
        resources_[name] = std::vector<std::byte>(view.begin(), view.end());
    }

private:
    std::wstring executablePath_;
    std::map<std::wstring, std::vector<std::byte>> resources_;
};

}  // namespace Ravenquill::Testing
