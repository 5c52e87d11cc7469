#pragma once
// The one check of an HRESULT for COM, graphics, shell-link and GUID calls, and the one text form of
// the status. Portable: an HRESULT is a 32-bit signed value here.
#include <cstdint>
#include <string>
#include <string_view>

#include "errors.h"

namespace Ravenquill {

// The status as eight upper-case hexadecimal digits of its 32-bit two's complement ("80070005").
std::wstring HResultText(std::int32_t hr);

// A failed HRESULT: an invalid-operation error whose message is the subject, ": 0x" and the status
// (HResultText), keeping the status for callers that act on one (a lost render target).
class HResultException : public InvalidOperationException {
public:
    HResultException(std::wstring_view subject, std::int32_t hr);
    std::int32_t HResult() const noexcept { return hr_; }

private:
    std::int32_t hr_;
};

// Nothing for zero or any positive status (S_FALSE included); an HResultException otherwise.
inline void ThrowIfFailed(std::int32_t hr, std::wstring_view subject) {
    if (hr < 0) throw HResultException(subject, hr);
}

}  // namespace Ravenquill
