#pragma once
// Fixtures of the model tests: a scratch directory and a host whose executable lives in it.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "core/common/host.h"
#include "core/common/text.h"

namespace Ravenquill::Core::Testing {

inline std::wstring ToText(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return Text::FromUtf8(path.string());
#endif
}

inline std::filesystem::path ToPath(const std::wstring& text) {
#ifdef _WIN32
    return std::filesystem::path(text);
#else
    return std::filesystem::path(Text::ToUtf8(text));
#endif
}

class TempDirectory {
public:
    TempDirectory() {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("rq-model-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& Get() const { return path_; }
    std::wstring Text() const { return ToText(path_); }

    void WriteFile(const std::filesystem::path& relative, const std::string& bytes) const {
        std::filesystem::create_directories((path_ / relative).parent_path());
        std::ofstream out(path_ / relative, std::ios::binary);
        out << bytes;
    }
    std::string ReadFile(const std::filesystem::path& relative) const {
        std::ifstream in(path_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};

// An executable at a chosen path with chosen embedded resources.
class FakeHost final : public HostEnvironment {
public:
    explicit FakeHost(std::wstring executablePath) : executablePath_(std::move(executablePath)) {}
    std::wstring ExecutablePath() const override { return executablePath_; }
    std::optional<std::span<const std::byte>> FindEmbeddedResource(std::wstring_view name) const override {
        const auto found = resources_.find(std::wstring(name));
        if (found == resources_.end()) return std::nullopt;
        return std::as_bytes(std::span(found->second));
    }
    void AddResource(const std::wstring& name, std::string bytes) { resources_[name] = std::move(bytes); }

private:
    std::wstring executablePath_;
    std::map<std::wstring, std::string> resources_;
};

}  // namespace Ravenquill::Core::Testing
