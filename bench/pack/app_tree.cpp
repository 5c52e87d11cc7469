// Writes a folder shaped like an installed desktop application, the input of the pack benchmark:
// a few large binaries (code, read-only data, unwind tables, resources), a dozen smaller
// libraries, an archive of media that is compressed already, thousands of small assets, scripts
// and translations, and some documentation. Every byte follows from fixed seeds, so every run
// and every machine packs the same tree.
//
//   app_tree <folder> [--size-mib N]     (default 160; the parts scale with N)
//   app_tree <folder> --two-large-files  50 MB of compressed media and 80 MB of prose: a payload
//                                        of a few large files, where decoding dominates
//   app_tree <folder> --large-files      four files of 50 MB of compressed media and four of 80 MB
//                                        of prose (520 MB): where the cost of every decoded byte
//                                        shows against a plain copy
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr std::size_t KiB = 1024;
constexpr std::size_t MiB = 1024 * KiB;

// A generator whose output is fixed by the standard (the distributions of <random> are not).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t Next() {  // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    // Small numbers far more often than large ones, as opcodes, registers and words occur.
    std::size_t Skewed(std::size_t n) {
        const std::size_t a = Below(n), b = Below(n);
        return a < b ? (a * Below(n)) / n : (b * Below(n)) / n;
    }

private:
    std::uint64_t state_;
};

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put64(Bytes& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

const char* const Words[] = {
    "the",      "install",  "window",   "file",    "folder",  "user",     "path",     "value",  "string",  "error",
    "system",   "data",     "buffer",   "stream",  "render",  "texture",  "shader",   "device", "context", "manager",
    "service",  "handle",   "create",   "delete",  "update",  "options",  "settings", "theme",  "color",   "font",
    "layout",   "button",   "dialog",   "message", "event",   "queue",    "thread",   "task",   "result",  "status",
    "progress", "version",  "product",  "license", "module",  "resource", "image",    "icon",   "cache",   "memory",
    "network",  "request",  "response", "session", "account", "project",  "document", "editor", "view",    "model",
    "index",    "record",   "table",    "query",   "field",   "type",     "name",     "size",   "count",   "offset",
    "length",   "format",   "and",      "of",      "to",      "in",       "is",       "for",    "with",    "on",
    "that",     "be",       "this",     "when",    "from",    "not",      "can",      "are",    "an",      "if",
    "each",     "all",      "new",      "open",    "close",   "read",     "write",    "load",   "save",    "default",
    "current",  "selected", "visible",  "enabled", "hidden",  "primary",  "secondary"};
constexpr std::size_t WordCount = std::size(Words);

std::string Word(Random& r) { return Words[r.Skewed(WordCount)]; }

std::string Identifier(Random& r) {
    std::string id = Word(r);
    for (std::size_t n = 1 + r.Below(3); n > 0; --n) {
        std::string w = Word(r);
        w[0] = static_cast<char>(w[0] - 'a' + 'A');
        id += w;
    }
    return id;
}

// Machine code: functions of instructions drawn from a skewed table, with registers, stack
// offsets, a pool of global addresses that recur, and call targets that do not.
void AppendCode(Bytes& out, std::size_t size, Random& r, const std::vector<std::uint32_t>& globals) {
    static const Bytes Opcodes[] = {
        {0x48, 0x89},
        {0x48, 0x8B},
        {0x8B},
        {0x89},
        {0xE8},
        {0x48, 0x8D},
        {0x85},
        {0x74},
        {0x75},
        {0x0F, 0x84},
        {0x0F, 0x85},
        {0x48, 0x83},
        {0x83},
        {0x31},
        {0x39},
        {0x3B},
        {0xEB},
        {0xE9},
        {0x41},
        {0x4C, 0x8B},
        {0xFF, 0x15},
        {0x0F, 0xB6},
        {0x66, 0x89},
        {0xC6},
        {0xC7},
        {0x0F, 0x1F, 0x44, 0x00, 0x00},
        {0xF3, 0x0F, 0x10},
    };
    const std::size_t end = out.size() + size;
    while (out.size() < end) {
        // prologue
        const Bytes prologue = {0x48, 0x89, 0x5C, 0x24, 0x08,
                                0x57, 0x48, 0x83, 0xEC, static_cast<std::uint8_t>(0x20 + 0x10 * r.Below(4))};
        out.insert(out.end(), prologue.begin(), prologue.end());
        for (std::size_t n = 8 + r.Skewed(120); n > 0; --n) {
            const Bytes& op = Opcodes[r.Skewed(std::size(Opcodes))];
            out.insert(out.end(), op.begin(), op.end());
            switch (op.back()) {
                case 0xE8:
                case 0xE9:  // relative call or jump: anywhere
                    Put32(out, static_cast<std::uint32_t>(r.Next()) & 0x00FFFFFF);
                    break;
                case 0x15:  // through the import table: a global
                case 0x8D:
                    out.push_back(0x05);
                    Put32(out, globals[r.Skewed(globals.size())]);
                    break;
                case 0x74:
                case 0x75:
                case 0xEB:
                    out.push_back(static_cast<std::uint8_t>(r.Below(0x60)));
                    break;
                default:  // a register pair, maybe a stack offset
                    out.push_back(static_cast<std::uint8_t>(0x40 + r.Skewed(64)));
                    if (r.Below(3) == 0) out.push_back(static_cast<std::uint8_t>(8 * r.Skewed(16)));
                    break;
            }
        }
        const Bytes epilogue = {0x48, 0x8B, 0x5C, 0x24, 0x30, 0x48, 0x83, 0xC4, 0x20, 0x5F, 0xC3};
        out.insert(out.end(), epilogue.begin(), epilogue.end());
        while (out.size() % 16 != 0) out.push_back(0xCC);
    }
    out.resize(end);
}

// Read-only data: identifiers and messages (narrow and UTF-16), vtables, floating constants.
void AppendReadOnlyData(Bytes& out, std::size_t size, Random& r, std::uint64_t imageBase) {
    const std::size_t end = out.size() + size;
    std::uint64_t next = imageBase + 0x1000;
    while (out.size() < end) {
        switch (r.Below(4)) {
            case 0: {
                const std::string s = Identifier(r);
                out.insert(out.end(), s.begin(), s.end());
                out.push_back(0);
                break;
            }
            case 1: {
                std::string s = Word(r);
                for (std::size_t n = 2 + r.Below(8); n > 0; --n) s.append(" ").append(Word(r));
                for (const char c : s) Put16(out, static_cast<std::uint16_t>(c));
                Put16(out, 0);
                break;
            }
            case 2:
                for (std::size_t n = 3 + r.Below(20); n > 0; --n) Put64(out, next += 16 * (1 + r.Skewed(64)));
                break;
            default: {
                const double constants[] = {0.5, 1.0, 2.0, 0.25, 255.0, 1.0 / 3, 3.14159265358979, 1e-6};
                std::uint64_t bits = 0;
                const double d = constants[r.Skewed(std::size(constants))];
                static_assert(sizeof bits == sizeof d);
                std::memcpy(&bits, &d, sizeof bits);
                Put64(out, bits);
                break;
            }
        }
    }
    out.resize(end);
}

// Unwind records: begin, end and unwind-info addresses, rising through the code.
void AppendUnwindTable(Bytes& out, std::size_t size, Random& r) {
    const std::size_t end = out.size() + size;
    std::uint32_t at = 0x1000;
    while (out.size() < end) {
        const std::uint32_t length = static_cast<std::uint32_t>(16 * (2 + r.Skewed(80)));
        Put32(out, at);
        Put32(out, at + length);
        Put32(out, 0x400000 + at / 4);
        at += length;
    }
    out.resize(end);
}

// Uncompressed pixels: gradients with a little noise, as icons and toolbar bitmaps hold.
void AppendBitmap(Bytes& out, std::size_t size, Random& r) {
    const std::size_t end = out.size() + size;
    const std::size_t width = 16u << r.Below(4);
    std::size_t i = 0;
    while (out.size() < end) {
        const std::size_t x = i % width, y = i / width;
        out.push_back(static_cast<std::uint8_t>(x * 255 / width));
        out.push_back(static_cast<std::uint8_t>(y * 7 + (r.Below(8) == 0 ? r.Below(16) : 0)));
        out.push_back(static_cast<std::uint8_t>(128 + (x ^ y)));
        out.push_back(0xFF);
        ++i;
    }
    out.resize(end);
}

// Compressed data (PNG, audio, archives): no redundancy left.
void AppendNoise(Bytes& out, std::size_t size, Random& r) {
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t v = r.Next();
        for (std::size_t k = 0; k < 8 && i + k < size; ++k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    }
}

Bytes Binary(std::size_t size, std::uint64_t seed) {
    Random r(seed);
    std::vector<std::uint32_t> globals;
    for (int i = 0; i < 4000; ++i) globals.push_back(0x10000 + static_cast<std::uint32_t>(r.Below(size / 2 + 1)));
    Bytes out;
    out.reserve(size);
    const Bytes header = {'M', 'Z', 0x90, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF};
    out.insert(out.end(), header.begin(), header.end());
    out.resize(0x400, 0);
    AppendCode(out, size * 55 / 100, r, globals);
    AppendReadOnlyData(out, size * 20 / 100, r, 0x140000000ull);
    AppendUnwindTable(out, size * 6 / 100, r);
    out.resize(out.size() + size * 2 / 100, 0);  // zero padding between sections
    // Resources: icons at several sizes, then a few embedded PNG images.
    while (out.size() < size - size / 20) AppendBitmap(out, std::min(size - size / 20 - out.size(), 64 * KiB), r);
    AppendNoise(out, size - out.size(), r);
    return out;
}

std::string Prose(std::size_t size, Random& r) {
    std::string text;
    while (text.size() < size) {
        std::string sentence = Word(r);
        sentence[0] = static_cast<char>(sentence[0] - 'a' + 'A');
        for (std::size_t n = 5 + r.Below(14); n > 0; --n) sentence.append(" ").append(Word(r));
        text += sentence + (r.Below(6) == 0 ? ".\n\n" : ". ");
    }
    text.resize(size);
    return text;
}

std::string Translations(std::size_t size, Random& r) {
    std::string text = "{\n";
    while (text.size() < size) {
        std::string message = Prose(20 + r.Below(80), r);
        for (char& c : message)
            if (c == '\n') c = ' ';
        text.append("  \"").append(Identifier(r)).append("\": \"").append(message).append("\",\n");
    }
    text.resize(size);
    return text;
}

std::string Script(std::size_t size, Random& r) {
    static const char* const Lines[] = {"function {}(options) {\n",
                                        "  const {} = options.{};\n",
                                        "  if ({} === undefined) return null;\n",
                                        "  return {}.{}({});\n",
                                        "}\n\n",
                                        "  for (const {} of {}) {}({});\n",
                                        "// {} {} {}\n"};
    std::string text;
    while (text.size() < size) {
        std::string line = Lines[r.Skewed(std::size(Lines))];
        for (std::size_t at; (at = line.find("{}")) != std::string::npos;) line.replace(at, 2, Identifier(r));
        text += line;
    }
    text.resize(size);
    return text;
}

std::size_t g_total = 0;
std::size_t g_files = 0;

void Write(const fs::path& file, const void* data, std::size_t size) {
    fs::create_directories(file.parent_path());
    std::FILE* out = std::fopen(file.string().c_str(), "wb");
    if (out == nullptr || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0) {
        std::fprintf(stderr, "app_tree: cannot write %s\n", file.string().c_str());
        std::exit(1);
    }
    g_total += size;
    ++g_files;
}
void Write(const fs::path& file, const Bytes& bytes) { Write(file, bytes.data(), bytes.size()); }
void Write(const fs::path& file, const std::string& text) { Write(file, text.data(), text.size()); }

int Written(const fs::path& root) {
    std::printf("%zu files, %zu bytes (%.1f MiB) in %s\n", g_files, g_total, double(g_total) / MiB,
                root.string().c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: app_tree <folder> [--size-mib N | --two-large-files | --large-files]\n");
        return 2;
    }
    const fs::path root = argv[1];
    std::size_t sizeMiB = 160;
    bool twoLargeFiles = false, largeFiles = false;
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--size-mib" && i + 1 < argc) sizeMiB = std::strtoul(argv[++i], nullptr, 10);
        if (std::string(argv[i]) == "--two-large-files") twoLargeFiles = true;
        if (std::string(argv[i]) == "--large-files") largeFiles = true;
    }
    const std::size_t unit = sizeMiB * MiB / 160;  // every part below is given for 160 MiB
    fs::remove_all(root);
    if (twoLargeFiles) {
        Random r(11);
        Bytes media;
        AppendNoise(media, 50'000'000, r);
        Write(root / "data/media.pak", media);
        Write(root / "docs/corpus.txt", Prose(80'000'000, r));
        return Written(root);
    }
    if (largeFiles) {
        Random r(13);
        for (int i = 0; i < 4; ++i) {
            Bytes media;
            AppendNoise(media, 50'000'000, r);
            Write(root / "data" / ("media" + std::to_string(i) + ".pak"), media);
            Write(root / "docs" / ("corpus" + std::to_string(i) + ".txt"), Prose(80'000'000, r));
        }
        return Written(root);
    }

    // 96 MiB in four large binaries
    const struct {
        const char* name;
        std::size_t share;
    } large[] = {{"Application.exe", 38}, {"bin/engine.dll", 28}, {"bin/render.dll", 18}, {"bin/media.dll", 12}};
    std::uint64_t seed = 1;
    for (const auto& b : large) Write(root / b.name, Binary(b.share * unit, seed++));
    // 24 MiB in twelve libraries of 1 to 3 MiB
    for (int i = 0; i < 12; ++i)
        Write(root / "bin" / (std::string("module").append(std::to_string(i)).append(".dll")),
              Binary((1 + i % 3) * unit, 100 + i));
    // 12 MiB of media that is compressed already
    Random r(7);
    {
        Bytes media;
        AppendNoise(media, 12 * unit, r);
        Write(root / "data/media.pak", media);
    }
    // About 26 MiB in 3,000 small files: images, translations, scripts, settings, a few empty ones
    const std::size_t small = 26 * unit;
    std::size_t written = 0;
    for (int i = 0; written < small; ++i) {
        const std::size_t size = 200 + r.Skewed(32 * KiB) + (r.Below(40) == 0 ? r.Below(200 * KiB) : 0);
        const std::string n = std::to_string(i);
        switch (i % 8) {
            case 0:
            case 1: {
                Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
                AppendNoise(png, size, r);
                Write(root / "assets/icons" / (n + ".png"), png);
                break;
            }
            case 2: {
                Bytes bmp = {'B', 'M'};
                AppendBitmap(bmp, size, r);
                Write(root / "assets/cursors" / (n + ".bmp"), bmp);
                break;
            }
            case 3:
            case 4:
                Write(root / "locales" / (Word(r) + n + ".json"), Translations(size, r));
                break;
            case 5:
            case 6:
                Write(root / "resources/scripts" / (Identifier(r) + n + ".js"), Script(size, r));
                break;
            default:
                if (i % 64 == 7)
                    Write(root / "config" / (std::string("empty").append(n).append(".ini")), std::string());
                else
                    Write(root / "config" / (Word(r) + n + ".ini"),
                          std::string("[").append(Word(r)).append("]\n").append(Prose(size / 8, r)));
                break;
        }
        written += size;
    }
    // 2 MiB of documentation
    Write(root / "LICENSE.txt", Prose(unit / 4, r));
    Write(root / "docs/manual.md", Prose(unit, r));
    Write(root / "docs/changelog.md", Prose(unit * 3 / 4, r));

    return Written(root);
}
