#include "rqpack_command.h"

#include <filesystem>
#include <memory>

#include "block_compressor.h"
#include "core/common/errors.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "core/model/file_probe.h"
#include "core/payload/buffered_read_stream.h"
#include "core/payload/folder_payload_source.h"
#include "core/payload/packed_payload_source.h"
#include "core/payload/zip_payload_source.h"
#include "extract_path.h"
#include "file_output.h"
#include "fs_path.h"
#include "package_writer.h"

namespace Ravenquill::Tools {
namespace {

using namespace Ravenquill::Core;

constexpr std::size_t CopyBufferBytes = 81920;  // the installer's own copy piece

const wchar_t* const Usage =
    L"usage: rqpack pack <folder> <out.rqpk> [--block-size N] [--quality Q] [--threads T]\n"
    L"       rqpack list <payload>\n"
    L"       rqpack extract <payload> <folder>\n"
    L"A payload is a folder, a .zip file, or otherwise an RQPK2 package.\n"
    L"pack: blocks of N bytes (default and most 4194304), Brotli quality Q (default 11), compressed on\n"
    L"T threads (default: one per core; the package's bytes are the same for any T). An option's value\n"
    L"may also follow an '=' (--threads=1).";

struct UsageError {
    std::wstring Message;
};

std::unique_ptr<PayloadSource> OpenPayload(const std::wstring& path) {
    if (Detail::DirectoryExists(path)) return std::make_unique<FolderPayloadSource>(path);
    if (Text::EndsWithIgnoreCase(path, L".zip")) return std::make_unique<ZipPayloadSource>(OpenPayloadFile(path));
    return std::make_unique<PackedPayloadSource>(OpenPayloadFile(path));
}

int ParseNumber(const std::wstring& text, const wchar_t* what, long long low, long long high) {
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < low || value > high)
        throw UsageError{std::wstring(what) + L" must be a number from " + std::to_wstring(low) + L" to " +
                         std::to_wstring(high) + L": " + text};
    return static_cast<int>(value);
}

int Pack(const std::vector<std::wstring>& args, const CommandOutput& output) {
    if (args.size() < 3) throw UsageError{L"pack needs a folder and an output file"};
    PackageOptions options;
    options.Threads = DefaultPackThreads();
    for (std::size_t i = 3; i < args.size(); ++i) {
        // "--name value" or "--name=value"
        std::wstring name = args[i];
        std::wstring value;
        if (const auto equals = name.find(L'='); equals != std::wstring::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError{L"missing value after " + name};
        }
        // The installer decodes no block past 4 MiB: a larger size would make a package it cannot read.
        if (name == L"--block-size")
            options.BlockSize = ParseNumber(value, L"--block-size", 1, PackedPayload::MaxBlockBytes);
        else if (name == L"--quality")
            options.Quality = ParseNumber(value, L"--quality", 0, 11);
        else if (name == L"--threads")
            options.Threads = ParseNumber(value, L"--threads", 1, 256);
        else
            throw UsageError{L"unknown option " + name};
    }
    if (!Detail::DirectoryExists(args[1])) throw DirectoryNotFoundException(L"No such folder: " + args[1]);
    const std::size_t count = WritePackage(args[1], args[2], options);
    output.Out(std::to_wstring(count) + L" files packed into " + args[2]);
    return 0;
}

int List(const std::vector<std::wstring>& args, const CommandOutput& output) {
    if (args.size() != 2) throw UsageError{L"list needs one payload"};
    const std::unique_ptr<PayloadSource> source = OpenPayload(args[1]);
    for (const PayloadEntry& entry : source->Entries())
        output.Out(std::to_wstring(entry.Length) + L"\t" + entry.RelativePath);
    output.Out(std::to_wstring(source->Entries().size()) + L" files, " + std::to_wstring(source->TotalBytes()) +
               L" bytes");
    return 0;
}

// Reads every entry through its opener, as the installer's copy does, and checks it delivers its length.
int Extract(const std::vector<std::wstring>& args, const CommandOutput& output) {
    if (args.size() != 3) throw UsageError{L"extract needs a payload and a folder"};
    const std::unique_ptr<PayloadSource> source = OpenPayload(args[1]);
    std::vector<std::byte> buffer(CopyBufferBytes);
    for (const PayloadEntry& entry : source->Entries()) {
        const std::wstring target = ExtractTargetPath(args[2], entry.RelativePath);
        std::filesystem::create_directories(ToFsPath(Path::GetDirectoryName(target)));
        const std::unique_ptr<ReadStream> in = entry.Open();
        const std::unique_ptr<FileOutput> out = CreateOutputFile(target);
        std::int64_t copied = 0;
        for (std::size_t n; (n = in->Read(buffer)) != 0; copied += static_cast<std::int64_t>(n))
            out->Write(std::span(buffer).first(n));
        out->Close();
        if (copied != entry.Length)
            throw InvalidDataException(L"«" + entry.RelativePath + L"» delivered " + std::to_wstring(copied) + L" of " +
                                       std::to_wstring(entry.Length) + L" bytes.");
    }
    output.Out(std::to_wstring(source->Entries().size()) + L" files extracted into " + args[2]);
    return 0;
}

}  // namespace

int RunRqpack(const std::vector<std::wstring>& args, const CommandOutput& output) {
    try {
        if (args.empty()) throw UsageError{L""};
        if (args[0] == L"pack") return Pack(args, output);
        if (args[0] == L"list") return List(args, output);
        if (args[0] == L"extract") return Extract(args, output);
        throw UsageError{L"unknown command " + args[0]};
    } catch (const UsageError& e) {
        if (!e.Message.empty()) output.Err(L"rqpack: " + e.Message);
        output.Err(Usage);
        return 2;
    } catch (const std::filesystem::filesystem_error& e) {
        output.Err(Text::FromUtf8(e.what()));
        return 1;
    } catch (const std::exception& e) {
        output.Err(MessageOf(e));
        return 1;
    }
}

}  // namespace Ravenquill::Tools
