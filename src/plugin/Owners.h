// One move-only owner for every Win32 resource kind the plugin holds, so that no early return
// can leak a handle. Each alias names the value that means "nothing held" for its API.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <utility>

namespace scrutel {

template <typename T, T Invalid, auto Close> class Owner {
  public:
    Owner() noexcept = default;
    explicit Owner(T value) noexcept : value_(value) {}
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : value_(other.release()) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~Owner() { reset(); }

    T get() const noexcept { return value_; }
    // Releases ownership without closing.
    T release() noexcept { return std::exchange(value_, Invalid); }
    void reset(T value = Invalid) noexcept {
        T old = std::exchange(value_, value);
        if (old != Invalid) Close(old);
    }
    // Closes what is held and returns the address for an out-parameter.
    T* put() noexcept {
        reset();
        return &value_;
    }
    explicit operator bool() const noexcept { return value_ != Invalid; }

  private:
    T value_ = Invalid;
};

namespace detail {
inline void CloseHandleValue(HANDLE h) noexcept { ::CloseHandle(h); }
inline void CloseFind(HANDLE h) noexcept { ::FindClose(h); }
inline void CloseKey(HKEY k) noexcept { ::RegCloseKey(k); }
inline void FreeModule(HMODULE m) noexcept { ::FreeLibrary(m); }
inline void UnmapView(const void* p) noexcept { ::UnmapViewOfFile(p); }
inline void FreeLocal(HLOCAL p) noexcept { ::LocalFree(p); }
inline void FreeCoTask(void* p) noexcept { ::CoTaskMemFree(p); }
inline void FreeHeap(void* p) noexcept { ::HeapFree(::GetProcessHeap(), 0, p); }
} // namespace detail

// CreateFileW fails with INVALID_HANDLE_VALUE.
using FileHandle = Owner<HANDLE, INVALID_HANDLE_VALUE, detail::CloseHandleValue>;
// Most other handle APIs (CreateFileMappingW, OpenProcessToken, events) fail with null.
using Handle = Owner<HANDLE, nullptr, detail::CloseHandleValue>;
// FindFirstFileW and FindFirstStreamW fail with INVALID_HANDLE_VALUE and close with FindClose.
using FindHandle = Owner<HANDLE, INVALID_HANDLE_VALUE, detail::CloseFind>;
using StreamFindHandle = Owner<HANDLE, INVALID_HANDLE_VALUE, detail::CloseFind>;
using RegKey = Owner<HKEY, nullptr, detail::CloseKey>;
using Module = Owner<HMODULE, nullptr, detail::FreeModule>;
using FileMapping = Owner<HANDLE, nullptr, detail::CloseHandleValue>;
using MappedView = Owner<const void*, nullptr, detail::UnmapView>;
using LocalMemory = Owner<HLOCAL, nullptr, detail::FreeLocal>;
using CoTaskMemory = Owner<void*, nullptr, detail::FreeCoTask>;
using HeapMemory = Owner<void*, nullptr, detail::FreeHeap>;

// COM interface pointer: Release on reset, put() for out-parameters.
template <typename I> class ComPtr {
  public:
    ComPtr() noexcept = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~ComPtr() { reset(); }

    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    I* release() noexcept { return std::exchange(p_, nullptr); }
    void reset(I* p = nullptr) noexcept {
        I* old = std::exchange(p_, p);
        if (old) old->Release();
    }
    I** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    explicit operator bool() const noexcept { return p_ != nullptr; }

  private:
    I* p_ = nullptr;
};

} // namespace scrutel
