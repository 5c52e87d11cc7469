// Speed and peak memory of the package reader over a generated package of mixed compressible and
// incompressible files (256 MiB by default), three figures from the same run:
//   (a) every entry read through its opener (BlockStream), as the installer's copy reads it;
//   (b) the plain loop of BrotliDecoderDecompress over the same blocks into one buffer;
//   (c) "rqpack extract", which is (a) with the output written to files.
// Goal: (a) reaches at least 95% of (b); an extraction's peak memory stays under
// 4 MiB + the largest compressed block + 16 MiB, whatever the package's size. Peak memory is
// measured in a fresh child process per extraction, so nothing of the generation step counts.
//
//   cmake --preset bench && cmake --build build/bench --target payload_bench_run
// or, once built: build/bench/bench/payload/payload_bench [--size-mib N] [--quality Q] [--work DIR]
#include <benchmark/benchmark.h>
#include <brotli/decode.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/common/read_stream.h"
#include "core/common/text.h"
#include "core/payload/buffered_read_stream.h"
#include "core/payload/packed_payload.h"
#include "core/payload/packed_payload_source.h"
#include "file_output.h"
#include "package_writer.h"
#include "rqpack_command.h"

namespace {

using namespace Ravenquill;
namespace fs = std::filesystem;

constexpr std::size_t CopyBufferBytes = 81920;  // the installer's own copy piece
constexpr std::size_t MiB = 1024 * 1024;

struct Settings {
    std::size_t SizeMiB = 256;
    int Quality = 5;
    fs::path Work = fs::temp_directory_path() / "rq-payload-bench";
};

Settings g_settings;
fs::path g_package;
std::int64_t g_totalBytes = 0;
std::int64_t g_largestBlock = 0;
std::size_t g_fileCount = 0;
// Best throughput of each measurement, in bytes per second.
double g_readRate = 0, g_decodeRate = 0, g_extractRate = 0;

std::wstring Wide(const fs::path& path) { return Text::FromUtf8(path.string()); }

// Text-like content: words and numbers, roughly what configuration, scripts and resources hold.
std::vector<std::byte> CompressibleBytes(std::size_t size, std::mt19937_64& random) {
    static const char* const Words[] = {"install", "payload",  "block",    "stream", "window", "theme",
                                        "record",  "manifest", "shortcut", "path",   "entry",  "folder",
                                        "= true;", "return",   "{\n",      "}\n",    "0x7F",   "    "};
    std::string text;
    text.reserve(size + 32);
    while (text.size() < size) {
        text += Words[random() % std::size(Words)];
        text += (random() % 7 == 0) ? std::to_string(random() % 100000) + "\n" : " ";
    }
    const auto* p = reinterpret_cast<const std::byte*>(text.data());
    return {p, p + size};
}

std::vector<std::byte> RandomBytes(std::size_t size, std::mt19937_64& random) {
    std::vector<std::byte> out(size);
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t v = random();
        for (int k = 0; k < 8; ++k) out[i + k] = std::byte((v >> (8 * k)) & 0xFF);
    }
    for (std::size_t i = size & ~std::size_t(7); i < size; ++i) out[i] = std::byte(random() & 0xFF);
    return out;
}

// Writes a source tree of at least sizeMiB and packs it with the publishers' writer (4 MiB blocks).
fs::path MakePackage(std::size_t sizeMiB, const std::string& name) {
    const fs::path tree = g_settings.Work / "tree";
    fs::remove_all(tree);
    fs::create_directories(tree);
    std::mt19937_64 random(20261210);
    const std::size_t sizes[] = {12 * MiB + 4321, 7 * MiB + MiB / 2, 3 * MiB, 600 * 1024,
                                 40 * 1024,       9 * MiB + 123,     5 * MiB, 1 * MiB + 77};
    std::size_t total = 0;
    for (std::size_t i = 0; total < sizeMiB * MiB; ++i) {
        const std::size_t size = sizes[i % std::size(sizes)];
        const bool compressible = i % 2 == 0;
        const auto bytes = compressible ? CompressibleBytes(size, random) : RandomBytes(size, random);
        const fs::path file = tree / ("dir" + std::to_string(i % 5)) / ("file" + std::to_string(i) + ".bin");
        fs::create_directories(file.parent_path());
        const auto out = Tools::CreateOutputFile(Wide(file));
        out->Write(bytes);
        out->Close();
        total += size;
    }
    const fs::path package = g_settings.Work / name;
    Tools::PackageOptions options;
    options.Quality = g_settings.Quality;
    Tools::WritePackage(Wide(tree), Wide(package), options);
    fs::remove_all(tree);
    return package;
}

void DescribeMainPackage() {
    const auto stream = OpenFileForRead(Wide(g_package));
    const auto entries = Core::PackedPayload::ReadIndex(*stream);
    g_fileCount = entries.size();
    for (const auto& entry : entries) {
        g_totalBytes += entry.Length;
        for (const std::int32_t size : *entry.BlockLengths)
            g_largestBlock = std::max<std::int64_t>(g_largestBlock, size);
    }
}

// (a) and the child's "read" mode: every entry through its opener, as the installer copies.
std::int64_t ReadEveryEntry(const fs::path& package) {
    Core::PackedPayloadSource source(Core::OpenPayloadFile(Wide(package)));
    std::vector<std::byte> buffer(CopyBufferBytes);
    std::int64_t total = 0;
    for (const Core::PayloadEntry& entry : source.Entries()) {
        const auto stream = entry.Open();
        for (std::size_t n; (n = stream->Read(buffer)) != 0;) total += static_cast<std::int64_t>(n);
    }
    return total;
}

// (b): the same blocks, read from the same file, each decoded by one call into one buffer.
std::int64_t DecodeEveryBlock(const fs::path& package) {
    const auto stream = OpenFileForRead(Wide(package));
    const auto entries = Core::PackedPayload::ReadIndex(*stream);
    std::int32_t largest = 0;
    for (const auto& entry : entries)
        for (const std::int32_t size : *entry.BlockLengths) largest = std::max(largest, size);
    std::vector<std::byte> compressed(static_cast<std::size_t>(largest));
    std::vector<std::uint8_t> decoded(Core::PackedPayload::MaxBlockBytes);
    std::int64_t total = 0;
    for (const auto& entry : entries) {
        std::int64_t offset = entry.Offset;
        for (const std::int32_t size : *entry.BlockLengths) {
            stream->Seek(offset);
            stream->ReadExactly(std::span(compressed).first(static_cast<std::size_t>(size)));
            std::size_t out = decoded.size();
            if (BrotliDecoderDecompress(static_cast<std::size_t>(size),
                                        reinterpret_cast<const std::uint8_t*>(compressed.data()), &out,
                                        decoded.data()) != BROTLI_DECODER_RESULT_SUCCESS)
                throw std::runtime_error("decode failed");
            total += static_cast<std::int64_t>(out);
            offset += size;
        }
    }
    return total;
}

void Extract(const fs::path& package, const fs::path& folder) {
    fs::remove_all(folder);
    const int code =
        Tools::RunRqpack({L"extract", Wide(package), Wide(folder)},
                         {[](const std::wstring&) {},
                          [](const std::wstring& line) { std::fprintf(stderr, "%s\n", Text::ToUtf8(line).c_str()); }});
    if (code != 0) throw std::runtime_error("rqpack extract failed");
}

template <class Work>
void Measure(benchmark::State& state, double& best, Work work) {
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::int64_t done = work();
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        if (done != g_totalBytes) state.SkipWithError("wrong number of bytes");
        bytes += done;
        best = std::max(best, static_cast<double>(done) / seconds.count());
    }
    state.SetBytesProcessed(bytes);
}

void ReadThroughBlockStream(benchmark::State& state) {
    Measure(state, g_readRate, [] { return ReadEveryEntry(g_package); });
}

void PlainDecodeLoop(benchmark::State& state) {
    Measure(state, g_decodeRate, [] { return DecodeEveryBlock(g_package); });
}

void ExtractToFiles(benchmark::State& state) {
    const fs::path folder = g_settings.Work / "out";
    Measure(state, g_extractRate, [&] {
        Extract(g_package, folder);
        return g_totalBytes;
    });
    fs::remove_all(folder);
}

struct ChildFigures {
    std::int64_t PeakBytes = 0;
    double Seconds = 0;  // of the work alone, start-up excluded
};

// This program run afresh in the given mode, as the installer reads a payload: once, in a new
// process. The child reports its own high-water mark (the rusage of a spawned child also counts
// the parent's pages it ran on before it replaced its image) and the time its work took.
ChildFigures RunFresh(const std::vector<std::string>& arguments) {
    // Appended piece by piece: g++ 12 at -O3 warns falsely about chained string '+' and insert here.
    std::string command = "'";
    command += fs::read_symlink("/proc/self/exe").string();
    command += "' --peak-child";
    for (const std::string& piece : arguments) {
        command += " '";
        command += piece;
        command += "'";
    }
    std::FILE* child = popen(command.c_str(), "r");
    if (child == nullptr) throw std::runtime_error("cannot start the measuring child");
    long long kib = -1;
    double seconds = 0;
    const int matched = std::fscanf(child, "%lld %lf", &kib, &seconds);
    if (pclose(child) != 0 || matched != 2) throw std::runtime_error("the measuring child failed");
    return {kib * 1024, seconds};
}

// The best of a few fresh runs: the fastest, and the highest peak.
ChildFigures BestOfFresh(const std::vector<std::string>& arguments) {
    ChildFigures best{0, 1e300};
    for (int i = 0; i < 3; ++i) {
        const ChildFigures run = RunFresh(arguments);
        best.PeakBytes = std::max(best.PeakBytes, run.PeakBytes);
        best.Seconds = std::min(best.Seconds, run.Seconds);
    }
    return best;
}

// VmHWM of /proc/self/status, in KiB.
long long OwnPeakKiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return -1;
    char line[256];
    long long kib = -1;
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, "VmHWM: %lld kB", &kib) == 1) break;
    std::fclose(status);
    return kib;
}

int RunChild(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[2] : "";
    const auto start = std::chrono::steady_clock::now();
    if (mode == "read" && argc > 3)
        ReadEveryEntry(argv[3]);
    else if (mode == "decode" && argc > 3)
        DecodeEveryBlock(argv[3]);
    else if (mode == "extract" && argc > 4)
        Extract(argv[3], argv[4]);
    else if (mode != "idle")
        return 2;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%lld %.6f\n", OwnPeakKiB(), seconds.count());
    return 0;
}

double Mb(double bytesPerSecond) { return bytesPerSecond / 1e6; }
double InMiB(std::int64_t bytes) { return static_cast<double>(bytes) / MiB; }

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--peak-child") return RunChild(argc, argv);

    benchmark::Initialize(&argc, argv);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--size-mib")
            g_settings.SizeMiB = std::stoul(argv[i + 1]);
        else if (key == "--quality")
            g_settings.Quality = std::stoi(argv[i + 1]);
        else if (key == "--work")
            g_settings.Work = argv[i + 1];
    }

    std::printf("Generating %zu MiB of mixed files, packing at Brotli quality %d ...\n", g_settings.SizeMiB,
                g_settings.Quality);
    fs::remove_all(g_settings.Work);
    g_package = MakePackage(g_settings.SizeMiB, "bench.rqpk");
    DescribeMainPackage();
    std::printf("Package: %zu files, %.1f MiB content, %.1f MiB packed, largest block %.2f MiB\n\n", g_fileCount,
                InMiB(g_totalBytes), InMiB(static_cast<std::int64_t>(fs::file_size(g_package))), InMiB(g_largestBlock));

    benchmark::RegisterBenchmark("a/ReadThroughBlockStream", ReadThroughBlockStream)
        ->Iterations(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("b/PlainDecodeLoop", PlainDecodeLoop)
        ->Iterations(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("c/ExtractToFiles", ExtractToFiles)
        ->Iterations(3)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();

    // Other work on the machine slows one measurement more than another; rounds that alternate
    // (a) and (b) give both the same chances. The ratio is taken per round, and its median is
    // reported beside the ratio of the best runs.
    std::vector<double> ratios;
    for (int round = 0; round < 7; ++round) {
        double rates[2] = {};
        for (int which = 0; which < 2; ++which) {
            const auto start = std::chrono::steady_clock::now();
            const std::int64_t done = which == 0 ? ReadEveryEntry(g_package) : DecodeEveryBlock(g_package);
            const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
            rates[which] = static_cast<double>(done) / seconds.count();
        }
        g_readRate = std::max(g_readRate, rates[0]);
        g_decodeRate = std::max(g_decodeRate, rates[1]);
        ratios.push_back(rates[0] / rates[1]);
    }
    std::sort(ratios.begin(), ratios.end());
    const double medianRatio = ratios[ratios.size() / 2];

    const ChildFigures idle = RunFresh({"idle"});
    const ChildFigures read = BestOfFresh({"read", g_package.string()});
    const ChildFigures decode = BestOfFresh({"decode", g_package.string()});
    const ChildFigures extract = BestOfFresh({"extract", g_package.string(), (g_settings.Work / "fresh-out").string()});
    // The same over a package a sixteenth of the size: the peak must not follow the size.
    const fs::path small = MakePackage(std::max<std::size_t>(g_settings.SizeMiB / 16, 1), "small.rqpk");
    const ChildFigures readSmall = BestOfFresh({"read", small.string()});
    fs::remove_all(g_settings.Work);
    const std::int64_t budget = 4 * MiB + g_largestBlock + 16 * MiB;
    const auto rate = [](const ChildFigures& f) { return Mb(static_cast<double>(g_totalBytes) / f.Seconds); };

    std::printf("\nThroughput in this process, best run (MB = 10^6 bytes):\n");
    std::printf("  (a) read through BlockStream   %8.1f MB/s\n", Mb(g_readRate));
    std::printf("  (b) plain decode loop          %8.1f MB/s\n", Mb(g_decodeRate));
    std::printf("  (c) rqpack extract to files    %8.1f MB/s\n", Mb(g_extractRate));
    std::printf("  (a) / (b) = %.1f%% of the best runs, %.1f%% median of 7 alternating rounds\n",
                100.0 * g_readRate / g_decodeRate, 100.0 * medianRatio);
    std::printf("One pass in a fresh process, as the installer reads its payload (best of 3):\n");
    std::printf("  (a) read through BlockStream   %8.1f MB/s\n", rate(read));
    std::printf("  (b) plain decode loop          %8.1f MB/s\n", rate(decode));
    std::printf("  (c) rqpack extract to files    %8.1f MB/s\n", rate(extract));
    std::printf("  (a) / (b) = %.1f%% (goal: at least 95%%)\n", 100.0 * decode.Seconds / read.Seconds);
    std::printf("Peak resident memory of a fresh process:\n");
    std::printf("  program alone                  %8.1f MiB\n", InMiB(idle.PeakBytes));
    std::printf("  reading every entry (a)        %8.1f MiB\n", InMiB(read.PeakBytes));
    std::printf("  plain decode loop (b)          %8.1f MiB\n", InMiB(decode.PeakBytes));
    std::printf("  rqpack extract to files (c)    %8.1f MiB\n", InMiB(extract.PeakBytes));
    std::printf("  reading a package 1/16 the size %7.1f MiB\n", InMiB(readSmall.PeakBytes));
    std::printf("  budget 4 MiB + largest block + 16 MiB = %.1f MiB: %s\n", InMiB(budget),
                std::max(read.PeakBytes, extract.PeakBytes) < budget ? "within" : "EXCEEDED");
    benchmark::Shutdown();
    return 0;
}
