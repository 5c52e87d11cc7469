#include "rqpack_command.h"

#include <filesystem>
#include <memory>
#include <utility>

#include "block_compressor.h"
#include "core/common/errors.h"
#include "core/common/file_system.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "core/payload/packed_payload.h"
#include "extract_path.h"
#include "file_output.h"
#include "fs_path.h"
#include "installer_check.h"
#include "package_writer.h"
#include "payload_kind.h"

namespace Ravenquill::Tools {
namespace {

using namespace Ravenquill::Core;

constexpr std::size_t WritePieceBytes = 1024 * 1024;  // the installer's own write piece

const wchar_t* const Usage =
    L"usage: rqpack pack <folder> <out.rqpk> [--block-size N] [--quality Q] [--threads T]\n"
    L"       rqpack list <payload>\n"
    L"       rqpack extract <payload> <folder> [--threads T]\n"
    L"       rqpack check [--manifest <installer.json>] [--payload <payload>] [--logo <png>]\n"
    L"A payload is a folder, a .zip file, or otherwise an RQPK2 package.\n"
    L"pack: blocks of N bytes (default and most 4194304), Brotli quality Q (default 11), compressed on\n"
    L"T threads (default: one per core; the package's bytes are the same for any T).\n"
    L"extract: blocks decoded on T threads (default: one per core; 1 decodes each block when it is\n"
    L"written).\n"
    L"check: what the installer would pass over in silence at run time, as errors (exit code 1): the\n"
    L"manifest's syntax, kinds, unknown keys and missing product id, name, version or publisher; with\n"
    L"the payload, names of files that it lacks and components that own none of its files; a payload\n"
    L"of another kind or without files; a logo that is no PNG the installer decodes or larger than\n"
    L"1024 pixels a side. Empty folders of a payload folder are warnings.\n"
    L"An option's value may also follow an '=' (--threads=1).";

struct UsageError {
    std::wstring Message;
};

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

// "--name value" or "--name=value" at args[i]; i ends on the option's last argument.
std::pair<std::wstring, std::wstring> TakeOption(const std::vector<std::wstring>& args, std::size_t& i) {
    std::wstring name = args[i];
    if (const auto equals = name.find(L'='); equals != std::wstring::npos) {
        std::wstring value = name.substr(equals + 1);
        name.resize(equals);
        return {name, value};
    }
    if (i + 1 >= args.size()) throw UsageError{L"missing value after " + name};
    return {name, args[++i]};
}

int Pack(const std::vector<std::wstring>& args, const CommandOutput& output) {
    if (args.size() < 3) throw UsageError{L"pack needs a folder and an output file"};
    PackageOptions options;
    options.Threads = DefaultPackThreads();
    for (std::size_t i = 3; i < args.size(); ++i) {
        const auto [name, value] = TakeOption(args, i);
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
    if (!FileSystem::DirectoryExists(args[1])) {
        if (FileSystem::FileExists(args[1]))
            throw ArgumentException(args[1] + L" is " + DescribeFile(args[1]).Text +
                                    L", not a folder: only a folder is packed");
        throw DirectoryNotFoundException(L"No such folder: " + args[1]);
    }
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

// Reads every entry in order through the reader the installer's copy uses, and checks it delivers its length.
int Extract(const std::vector<std::wstring>& args, const CommandOutput& output) {
    if (args.size() < 3) throw UsageError{L"extract needs a payload and a folder"};
    ReadAheadOptions options{DefaultReadAheadThreads(), {}};
    for (std::size_t i = 3; i < args.size(); ++i) {
        const auto [name, value] = TakeOption(args, i);
        if (name != L"--threads") throw UsageError{L"unknown option " + name};
        options.Threads = ParseNumber(value, L"--threads", 1, 256);
    }
    const std::unique_ptr<PayloadSource> source = OpenPayload(args[1]);
    std::vector<const PayloadEntry*> order;
    for (const PayloadEntry& entry : source->Entries()) order.push_back(&entry);
    const std::unique_ptr<EntryReader> reader = source->ReadInOrder(order, options);
    for (const PayloadEntry& entry : source->Entries()) {
        const std::wstring target = ExtractTargetPath(args[2], entry.RelativePath);
        std::filesystem::create_directories(ToFsPath(Path::GetDirectoryName(target)));
        const std::unique_ptr<EntryStream> in = reader->Open(entry);
        const std::unique_ptr<FileOutput> out = CreateOutputFile(target);
        std::int64_t copied = 0;
        for (std::span<const std::byte> piece; !(piece = in->ReadSpan(WritePieceBytes)).empty();
             copied += static_cast<std::int64_t>(piece.size()))
            out->Write(piece);
        out->Close();
        if (copied != entry.Length)
            throw InvalidDataException(L"«" + entry.RelativePath + L"» delivered " + std::to_wstring(copied) + L" of " +
                                       std::to_wstring(entry.Length) + L" bytes.");
    }
    output.Out(std::to_wstring(source->Entries().size()) + L" files extracted into " + args[2]);
    return 0;
}

int Check(const std::vector<std::wstring>& args, const CommandOutput& output) {
    InstallerInputs inputs;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const auto [name, value] = TakeOption(args, i);
        if (name == L"--manifest")
            inputs.Manifest = value;
        else if (name == L"--payload")
            inputs.Payload = value;
        else if (name == L"--logo")
            inputs.Logo = value;
        else
            throw UsageError{L"unknown option " + name};
    }
    if (!inputs.Manifest && !inputs.Payload && !inputs.Logo) throw UsageError{L"check needs something to check"};
    bool failed = false;
    for (const CheckFinding& finding : CheckInstallerInputs(inputs)) {
        output.Err(finding.ToString());
        failed = failed || finding.IsError;
    }
    return failed ? 1 : 0;
}

}  // namespace

int RunRqpack(const std::vector<std::wstring>& args, const CommandOutput& output) {
    try {
        if (args.empty()) throw UsageError{L""};
        if (args[0] == L"pack") return Pack(args, output);
        if (args[0] == L"list") return List(args, output);
        if (args[0] == L"extract") return Extract(args, output);
        if (args[0] == L"check") return Check(args, output);
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
