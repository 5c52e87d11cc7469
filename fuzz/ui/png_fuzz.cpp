// The PNG reader over arbitrary bytes: it never reads past its input, never allocates more than the
// image needs, and whatever it accepts is a whole image that the writer can write again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "ui/png.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace Ravenquill::Ui;
    const auto image = Png::Decode(std::span<const std::uint8_t>(data, size));
    if (!image) return 0;
    const auto pixels = static_cast<std::size_t>(image->Width) * static_cast<std::size_t>(image->Height);
    if (image->Width <= 0 || image->Height <= 0 || image->Pixels.size() != pixels * 4) std::abort();
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* p = image->Pixels.data() + i * 4;
        // Premultiplied: no colour byte above its alpha.
        if (p[0] > p[3] || p[1] > p[3] || p[2] > p[3]) std::abort();
    }
    if (pixels <= (1u << 16)) {
        const auto again = Png::Decode(Png::Encode(image->Pixels, image->Width, image->Height));
        if (!again || again->Width != image->Width || again->Height != image->Height) std::abort();
    }
    return 0;
}
