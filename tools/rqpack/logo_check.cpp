#include "logo_check.h"

#include <cstdint>
#include <span>

#include "core/common/errors.h"
#include "core/common/read_stream.h"
#include "installer_check.h"
#include "payload_kind.h"
#include "ui/png.h"

namespace Ravenquill::Tools {
namespace {

// The fields of the first chunk, when it is the image header, read only to say why the decoder
// refuses an image and to refuse a huge one before decoding it; the decoder has the last word.
struct PngHeader {
    std::uint32_t Width = 0, Height = 0;
    int BitDepth = 0, ColourType = 0, Interlace = 0;
};

std::uint32_t BigEndian32(std::span<const std::byte> bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | std::to_integer<std::uint32_t>(bytes[at + i]);
    return value;
}

std::optional<PngHeader> ReadHeader(std::span<const std::byte> png) {
    // Signature (8), chunk length (4), "IHDR" (4), then 13 bytes of data.
    if (png.size() < 8 + 8 + 13) return std::nullopt;
    const char type[] = {'I', 'H', 'D', 'R'};
    for (std::size_t i = 0; i < 4; ++i)
        if (std::to_integer<char>(png[12 + i]) != type[i]) return std::nullopt;
    return PngHeader{BigEndian32(png, 16), BigEndian32(png, 20), std::to_integer<int>(png[24]),
                     std::to_integer<int>(png[25]), std::to_integer<int>(png[28])};
}

}  // namespace

std::vector<std::wstring> CheckLogo(const std::wstring& path) {
    std::vector<std::byte> png;
    try {
        png = OpenFileForRead(path)->ReadToEnd();
    } catch (const std::exception& e) {
        return {MessageOf(e)};
    }
    const std::optional<ContentKind> kind = RecognisedContent(png);
    if (kind != ContentKind::PngImage)
        return {L"the logo is " + std::wstring(kind ? KindText(*kind) : L"no PNG image") +
                L": the installer shows a PNG"};

    const std::wstring reads =
        L": the installer reads 8-bit grey, RGB, palette, grey-and-alpha and RGBA images without interlacing";
    if (const std::optional<PngHeader> header = ReadHeader(png)) {
        std::vector<std::wstring> faults;
        if (header->Width > MaxLogoSide || header->Height > MaxLogoSide)
            faults.push_back(L"the logo is " + std::to_wstring(header->Width) + L" × " +
                             std::to_wstring(header->Height) + L" pixels: the installer takes at most " +
                             std::to_wstring(MaxLogoSide) + L" pixels a side");
        if (header->BitDepth != 8)
            faults.push_back(L"the logo has " + std::to_wstring(header->BitDepth) + L" bits a sample" + reads);
        if (header->ColourType == 1 || header->ColourType == 5 || header->ColourType > 6)
            faults.push_back(L"the logo has the colour type " + std::to_wstring(header->ColourType) + reads);
        if (header->Interlace != 0) faults.push_back(L"the logo is interlaced" + reads);
        if (!faults.empty()) return faults;
    }
    if (!Ui::Png::Decode(std::span<const std::byte>(png)))
        return {L"the logo cannot be decoded: its header or image data is damaged or its palette missing"};
    return {};
}

}  // namespace Ravenquill::Tools
