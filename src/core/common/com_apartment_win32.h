#pragma once
// The one owner of a thread's COM apartment. Windows builds only.
#include <optional>

namespace Ravenquill {

enum class ApartmentKind {
    MultiThreaded,
    // With OLE1 DDE turned off, as the shell's dialogs want it.
    SingleThreaded,
};

// Enters the calling thread into a COM apartment for the owner's life and leaves it when the owner
// goes (an entry that found the thread already in that apartment is balanced just the same). The
// owner stays on the thread that made it.
class ComApartment {
public:
    // A thread already in the other kind of apartment stays in it (COM works there too); any other
    // failure to enter is the HResultException "CoInitializeEx: 0x…".
    explicit ComApartment(ApartmentKind kind);
    // The apartment, or nothing when the thread cannot enter it (the other kind included).
    [[nodiscard]] static std::optional<ComApartment> TryEnter(ApartmentKind kind) noexcept;
    ~ComApartment();
    ComApartment(ComApartment&& other) noexcept;
    ComApartment& operator=(ComApartment&&) = delete;
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    ComApartment() = default;
    bool entered_ = false;
};

}  // namespace Ravenquill
