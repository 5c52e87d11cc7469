#pragma once
// Package bytes for the payload tests, beside the shared temporary folder and fake executable.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/common/read_stream.h"
#include "core/common/text.h"
#include "package_writer.h"
#include "support/fake_host.h"
#include "support/temp_folder.h"

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

// The shared fixtures, under the names these tests use.
using Ravenquill::Testing::FakeHost;
using Ravenquill::Testing::TempFolder;

inline std::string Utf8(const std::wstring& text) { return Text::ToUtf8(text); }

}  // namespace Ravenquill::Core::Testing
