#pragma once
// Temporary folders, fake executables and package bytes for the payload tests.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/common/host.h"
#include "core/common/read_stream.h"
#include "core/common/text.h"
#include "file_output.h"
#include "fs_path.h"
#include "package_writer.h"

namespace Ravenquill::Core::Testing {

inline std::vector<std::byte> Bytes(std::string_view text) {
    const auto* p = reinterpret_cast<const std::byte*>(text.data());
    return {p, p + text.size()};
}

inline std::vector<std::byte> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::byte> out(n);
    for (auto& b : out) b = std::byte(random() & 0xFF);
    return out;
}

class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("rq-payload-" + std::to_string(std::random_device{}()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::wstring Path() const { return Tools::FromFsPath(path_); }
    std::wstring Path(const std::string& relative) const { return Tools::FromFsPath(path_ / Native(relative)); }
    void Write(const std::string& relative, const std::vector<std::byte>& bytes) const {
        const auto file = path_ / Native(relative);
        std::filesystem::create_directories(file.parent_path());
        const auto out = Tools::CreateOutputFile(Tools::FromFsPath(file));
        out->Write(bytes);
        out->Close();
    }
    void MakeFolder(const std::string& relative) const {
        std::filesystem::create_directories(path_ / Native(relative));
    }

private:
    // Test paths are UTF-8; a narrow path on Windows would be read in the ANSI code page.
    static std::filesystem::path Native(const std::string& relative) {
        return Tools::ToFsPath(Text::FromUtf8(relative));
    }
    std::filesystem::path path_;
};

// An executable "in" a folder, with the embedded resources a test gives it.
class FakeHost final : public HostEnvironment {
public:
    explicit FakeHost(std::wstring executablePath) : path_(std::move(executablePath)) {}
    std::wstring ExecutablePath() const override { return path_; }
    std::optional<std::span<const std::byte>> FindEmbeddedResource(std::wstring_view name) const override {
        const auto it = resources_.find(std::wstring(name));
        if (it == resources_.end()) return std::nullopt;
        return std::span<const std::byte>(it->second);
    }
    void Embed(const std::wstring& name, std::vector<std::byte> bytes) { resources_[name] = std::move(bytes); }

private:
    std::wstring path_;
    std::map<std::wstring, std::vector<std::byte>> resources_;
};

inline std::string Utf8(const std::wstring& text) { return Text::ToUtf8(text); }

}  // namespace Ravenquill::Core::Testing
