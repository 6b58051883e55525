// Owning wrappers for Windows and JNI resources: each releases its resource
// exactly once, on every path, when it goes out of scope.
#pragma once

#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vel {

// Traits supply `invalid()` and `close(T)`; the wrapper is move-only.
template <typename T, typename Traits>
class unique_resource {
public:
    unique_resource() noexcept : value_(Traits::invalid()) {}
    explicit unique_resource(T value) noexcept : value_(value) {}
    unique_resource(const unique_resource&) = delete;
    unique_resource& operator=(const unique_resource&) = delete;
    unique_resource(unique_resource&& other) noexcept : value_(other.release()) {}
    unique_resource& operator=(unique_resource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_resource() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

    // Releases the current resource (if any) and takes ownership of `value`.
    void reset(T value = Traits::invalid()) noexcept {
        T old = std::exchange(value_, value);
        if (old != Traits::invalid()) close_keeping_last_error(old);
    }
    // Gives up ownership without releasing: the caller now owns the result.
    [[nodiscard]] T release() noexcept { return std::exchange(value_, Traits::invalid()); }
    // Address for out-parameters of creating calls; releases what is held first.
    T* put() noexcept {
        reset();
        return &value_;
    }

private:
    // A caller reads the last error of its failed call after the owners of
    // that scope have closed their resources; a close must not change it.
    static void close_keeping_last_error(T old) noexcept {
#ifdef _WIN32
        const DWORD last_error = ::GetLastError();
        Traits::close(old);
        ::SetLastError(last_error);
#else
        Traits::close(old);
#endif
    }

    T value_;
};

}  // namespace vel

#ifdef _WIN32
namespace vel {

struct handle_traits {
    static HANDLE invalid() noexcept { return nullptr; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
// Handles whose failure value is INVALID_HANDLE_VALUE (CreateFileA).
struct file_handle_traits {
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct find_handle_traits {
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::FindClose(h); }
};
struct hkey_traits {
    static HKEY invalid() noexcept { return nullptr; }
    static void close(HKEY k) noexcept { ::RegCloseKey(k); }
};
struct sc_handle_traits {
    static SC_HANDLE invalid() noexcept { return nullptr; }
    static void close(SC_HANDLE h) noexcept { ::CloseServiceHandle(h); }
};
struct local_traits {
    static HLOCAL invalid() noexcept { return nullptr; }
    static void close(HLOCAL p) noexcept { ::LocalFree(p); }
};
struct hmodule_traits {
    static HMODULE invalid() noexcept { return nullptr; }
    static void close(HMODULE m) noexcept { ::FreeLibrary(m); }
};
struct hdc_traits {
    static HDC invalid() noexcept { return nullptr; }
    static void close(HDC dc) noexcept { ::DeleteDC(dc); }
};

using unique_handle = unique_resource<HANDLE, handle_traits>;
using unique_file = unique_resource<HANDLE, file_handle_traits>;
using unique_find = unique_resource<HANDLE, find_handle_traits>;
using unique_hkey = unique_resource<HKEY, hkey_traits>;
using unique_schandle = unique_resource<SC_HANDLE, sc_handle_traits>;
using unique_hlocal = unique_resource<HLOCAL, local_traits>;
using unique_hdc = unique_resource<HDC, hdc_traits>;
using unique_hmodule = unique_resource<HMODULE, hmodule_traits>;

}  // namespace vel
#endif

#include <cstdio>

namespace vel {

struct stdio_traits {
    static std::FILE* invalid() noexcept { return nullptr; }
    static void close(std::FILE* f) noexcept { std::fclose(f); }
};
using unique_stdio = unique_resource<std::FILE*, stdio_traits>;

}  // namespace vel
