#pragma once
// The one ask-for-size, allocate, call-again loop for a text that a call writes into the caller's
// buffer. Pure: the calls it drives live in system_text_win32.h, so its rules are tested natively.
#include <cstddef>
#include <optional>
#include <string>

namespace Ravenquill {

// The capacity a first call is given: the classic path length, which most texts fit.
inline constexpr std::size_t FirstTextCapacity = 260;

// What one call into the buffer gave: the length it wrote (less than the capacity) when the text
// fits, else the capacity it needs (the capacity itself for a text cut short, which doubles it);
// nothing when it failed, the last error left as the call set it.
using BufferCallResult = std::optional<std::size_t>;

// The text that call(buffer, capacity) writes, asked for with a buffer that grows until the text
// fits. Nothing when the call fails or would need more than maxCapacity units.
template <class Call>
std::optional<std::wstring> GrowingText(Call call, std::size_t capacity = FirstTextCapacity,
                                        std::size_t maxCapacity = std::wstring().max_size()) {
    std::wstring text(capacity, L'\0');
    for (;;) {
        const BufferCallResult result = call(text.data(), text.size());
        if (!result) return std::nullopt;
        if (*result < text.size()) {
            text.resize(*result);
            return text;
        }
        const std::size_t next = *result > text.size() ? *result : text.size() * 2;
        if (next > maxCapacity) return std::nullopt;
        text.resize(next);
    }
}

// The result of a call that returns 0 for a failure and otherwise the length or the size needed.
inline BufferCallResult LengthOrFailure(std::size_t length) {
    return length == 0 ? std::nullopt : BufferCallResult(length);
}

}  // namespace Ravenquill
