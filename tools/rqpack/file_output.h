#pragma once
// A file created (or truncated) for writing; tooling only.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace Ravenquill::Tools {

class FileOutput {
public:
    virtual ~FileOutput() = default;
    virtual void Write(std::span<const std::byte> bytes) = 0;
    virtual void Seek(std::int64_t position) = 0;
    // Flushes and closes; failures to write surface here at the latest.
    virtual void Close() = 0;
};

std::unique_ptr<FileOutput> CreateOutputFile(const std::wstring& path);

}  // namespace Ravenquill::Tools
