// Speed of a silent-style installation (no minimum duration, no handlers, no links or PATH) of a
// generated package into an empty folder, against "rqpack extract" of the same package into
// another folder, measured alternately in the same run. Goal: the install takes at most 110% of
// the extraction. Prints the best time of each over the rounds.
//
//   install_bench.exe [--size-mib N] [--rounds R (default 5)] [--quality Q] [--work DIR]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/common/com_apartment_win32.h"
#include "core/common/host.h"
#include "core/common/text.h"
#include "core/engine/engines/install_engine.h"
#include "file_output.h"
#include "package_writer.h"
#include "rqpack_command.h"

namespace {

using namespace Ravenquill;
namespace fs = std::filesystem;

constexpr std::size_t MiB = 1024 * 1024;

struct Settings {
    std::size_t SizeMiB = 256;
    int Rounds = 5;
    int Quality = 5;
    fs::path Work = fs::temp_directory_path() / "rq-install-bench";
};

class BenchHost final : public HostEnvironment {
public:
    explicit BenchHost(std::wstring path) : path_(std::move(path)) {}
    std::wstring ExecutablePath() const override { return path_; }
    std::optional<std::span<const std::byte>> FindEmbeddedResource(std::wstring_view) const override {
        return std::nullopt;
    }

private:
    std::wstring path_;
};

// Text-like and incompressible files alternately, in a few folders: what an application holds.
std::size_t MakeTree(const fs::path& tree, std::size_t sizeMiB) {
    std::mt19937_64 random(20261210);
    static const char* const Words[] = {"install", "payload", "block", "stream", "window", "theme",
                                        "record",  "= true;", "{\n",   "}\n",    "0x7F",   "    "};
    const std::size_t sizes[] = {12 * MiB + 4321, 7 * MiB + MiB / 2, 3 * MiB, 600 * 1024,
                                 40 * 1024,       9 * MiB + 123,     5 * MiB, 1 * MiB + 77};
    std::size_t total = 0;
    for (std::size_t i = 0; total < sizeMiB * MiB; ++i) {
        const std::size_t size = sizes[i % std::size(sizes)];
        std::vector<std::byte> bytes(size);
        if (i % 2 == 0) {
            std::string text;
            while (text.size() < size) {
                text += Words[random() % std::size(Words)];
                text += (random() % 7 == 0) ? std::to_string(random() % 100000) + "\n" : " ";
            }
            std::memcpy(bytes.data(), text.data(), size);
        } else {
            for (std::byte& b : bytes) b = std::byte(random() & 0xFF);
        }
        const fs::path file = tree / ("dir" + std::to_string(i % 5)) / ("file" + std::to_string(i) + ".bin");
        fs::create_directories(file.parent_path());
        const auto out = Tools::CreateOutputFile(file.wstring());
        out->Write(bytes);
        out->Close();
        total += size;
    }
    return total;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const Ravenquill::ComApartment apartment(Ravenquill::ApartmentKind::MultiThreaded);
    Settings settings;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        if (name == L"--size-mib") settings.SizeMiB = std::stoul(argv[i + 1]);
        if (name == L"--rounds") settings.Rounds = std::stoi(argv[i + 1]);
        if (name == L"--quality") settings.Quality = std::stoi(argv[i + 1]);
        if (name == L"--work") settings.Work = argv[i + 1];
    }
    try {
        fs::remove_all(settings.Work);
        const fs::path setup = settings.Work / "setup";
        fs::create_directories(setup);
        const std::size_t bytes = MakeTree(settings.Work / "tree", settings.SizeMiB);
        Tools::PackageOptions options;
        options.Quality = settings.Quality;
        const fs::path package = setup / "payload.rqpk";
        Tools::WritePackage((settings.Work / "tree").wstring(), package.wstring(), options);
        fs::remove_all(settings.Work / "tree");
        {
            const auto out = Tools::CreateOutputFile((setup / "setup.exe").wstring());
            const std::vector<std::byte> program(2 * MiB, std::byte{0x4D});
            out->Write(program);
            out->Close();
        }
        const BenchHost host((setup / "setup.exe").wstring());
        const ScopedHost scope(host);
        auto manifest = std::make_shared<Core::InstallManifest>();
        manifest->ProductId = L"RqInstallBench";
        manifest->ProductName = L"Rq Install Bench";

        std::vector<double> extracts, installs;
        for (int round = 0; round < settings.Rounds; ++round) {
            const fs::path extracted = settings.Work / "extract";
            fs::remove_all(extracted);
            auto start = std::chrono::steady_clock::now();
            const int code = Tools::RunRqpack({L"extract", package.wstring(), extracted.wstring()},
                                              {[](const std::wstring&) {}, [](const std::wstring&) {}});
            const double extract = Seconds(std::chrono::steady_clock::now() - start);
            if (code != 0) throw std::runtime_error("rqpack extract failed");
            fs::remove_all(extracted);

            const fs::path target = settings.Work / "install";
            fs::remove_all(target);
            Core::InstallOptions install;
            install.Manifest = manifest;
            install.InstallDir = target.wstring();
            install.MinimumDuration = {};
            Core::InstallEngine engine;
            start = std::chrono::steady_clock::now();
            engine.Install(install);
            const double installed = Seconds(std::chrono::steady_clock::now() - start);
            fs::remove_all(target);
            RegDeleteTreeW(HKEY_CURRENT_USER,
                           L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RqInstallBench");

            std::printf("round %d: extract %.3f s, install %.3f s\n", round + 1, extract, installed);
            extracts.push_back(extract);
            installs.push_back(installed);
        }
        // The file system's noise under Wine is large: the best and the median of the rounds are both shown.
        auto best = [](std::vector<double> v) { return *std::min_element(v.begin(), v.end()); };
        auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
        };
        const double mib = static_cast<double>(bytes) / MiB;
        std::printf("package %.0f MiB of content, %d rounds\n", mib, settings.Rounds);
        std::printf("best:   extract %.3f s (%.1f MiB/s), install %.3f s (%.1f MiB/s), install / extract = %.1f%%\n",
                    best(extracts), mib / best(extracts), best(installs), mib / best(installs),
                    100.0 * best(installs) / best(extracts));
        std::printf("median: extract %.3f s, install %.3f s, install / extract = %.1f%% (goal: at most 110%%)\n",
                    median(extracts), median(installs), 100.0 * median(installs) / median(extracts));
        fs::remove_all(settings.Work);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "install_bench: %s\n", e.what());
        return 1;
    }
}
