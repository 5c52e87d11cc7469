#pragma once
// Owners of Win32 handles and of strings the system allocates for the caller. Windows builds only.
#include <windows.h>
// after windows.h, which it needs
#include <objbase.h>

#include <memory>
#include <utility>

namespace Ravenquill {

template <class Traits>
class UniqueAny {
public:
    using Handle = typename Traits::Handle;
    UniqueAny() noexcept = default;
    explicit UniqueAny(Handle h) noexcept : handle_(h) {}
    ~UniqueAny() { reset(); }
    UniqueAny(UniqueAny&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Traits::Invalid()));
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }
    Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    void reset(Handle h = Traits::Invalid()) noexcept {
        if (handle_ != Traits::Invalid()) Traits::Close(handle_);
        handle_ = h;
    }
    Handle* put() noexcept {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::Invalid();
};

struct HandleTraits {  // CreateFile-style handles: INVALID_HANDLE_VALUE means none
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { CloseHandle(h); }
};
struct NullHandleTraits {  // process, thread, event handles: null means none
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { CloseHandle(h); }
};
struct HKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { RegCloseKey(h); }
};
struct HModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { FreeLibrary(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { FindClose(h); }
};

struct SidTraits {  // a SID that AllocateAndInitializeSid made
    using Handle = PSID;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { FreeSid(h); }
};

using UniqueFileHandle = UniqueAny<HandleTraits>;
using UniqueHandle = UniqueAny<NullHandleTraits>;
using UniqueHKey = UniqueAny<HKeyTraits>;
using UniqueHModule = UniqueAny<HModuleTraits>;
using UniqueFindHandle = UniqueAny<FindHandleTraits>;
using UniqueSid = UniqueAny<SidTraits>;

// A string that a system call allocated with CoTaskMemAlloc and the caller frees (a known folder's
// path, a shell item's name).
struct CoTaskMemFreer {
    void operator()(wchar_t* text) const noexcept { CoTaskMemFree(text); }
};
using CoTaskMemString = std::unique_ptr<wchar_t, CoTaskMemFreer>;

// Memory that a system call allocated with LocalAlloc and the caller frees (a formatted message,
// a split command line).
struct LocalFreer {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};
template <class T>
using UniqueLocalMemory = std::unique_ptr<T, LocalFreer>;

}  // namespace Ravenquill
