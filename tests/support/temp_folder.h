#pragma once
// A folder of the test's own under the temporary directory, removed with everything in it when the
// test ends. Relative paths are UTF-8 text ('/' or '\' between the parts); the product's paths are
// wide text, as the product itself takes them.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "core/common/text.h"

namespace Ravenquill::Testing {

// The product's text of a path, and back. Wide on Windows; UTF-8 natively, where a narrow path is
// taken as it is (on Windows it would be read in the ANSI code page).
inline std::wstring ToText(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return Text::FromUtf8(path.string());
#endif
}

inline std::filesystem::path ToPath(std::wstring_view text) {
#ifdef _WIN32
    return std::filesystem::path(text);
#else
    return std::filesystem::path(Text::ToUtf8(text));
#endif
}

class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() / ("rq-test-" + std::to_string(std::random_device{}()) + "-" +
                                                          std::to_string(stamp) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Get() const noexcept { return path_; }
    std::filesystem::path Get(std::string_view relative) const { return path_ / Native(relative); }
    std::wstring Path() const { return ToText(path_); }
    std::wstring Path(std::string_view relative) const { return ToText(Get(relative)); }

    // Creates or replaces the file, with the folders on the way.
    void Write(std::string_view relative, std::span<const std::byte> bytes) const {
        const std::filesystem::path file = Get(relative);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void Write(std::string_view relative, std::string_view text) const {
        Write(relative, std::as_bytes(std::span(text)));
    }
    // The file's bytes; empty when it cannot be read.
    std::string Read(std::string_view relative) const {
        std::ifstream in(Get(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void MakeFolder(std::string_view relative) const { std::filesystem::create_directories(Get(relative)); }

private:
    static std::filesystem::path Native(std::string_view relative) {
        return ToPath(Text::FromUtf8(relative)).make_preferred();
    }

    std::filesystem::path path_;
};

}  // namespace Ravenquill::Testing
