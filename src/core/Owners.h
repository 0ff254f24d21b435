// One move-only owner for every Win32 resource kind the plugin holds, so that no early return
// can leak a handle. Each alias names the value that means "nothing held" for its API.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <wincrypt.h>
#include <propidl.h>
#include <utility>

namespace scrutel {

// Traits name the handle type, the value that means "nothing held" and how to close it.
// (INVALID_HANDLE_VALUE is not a constant expression, so it cannot be a template argument.)
template <typename Traits> class Owner {
  public:
    using T = typename Traits::Type;

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
    T release() noexcept { return std::exchange(value_, Traits::Invalid()); }
    void reset(T value = Traits::Invalid()) noexcept {
        T old = std::exchange(value_, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }
    // Closes what is held and returns the address for an out-parameter.
    T* put() noexcept {
        reset();
        return &value_;
    }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

  private:
    T value_ = Traits::Invalid();
};

namespace detail {
template <typename H> struct NullIsInvalid {
    using Type = H;
    static H Invalid() noexcept { return nullptr; }
};
struct MinusOneIsInvalid {
    using Type = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
};
struct FileTraits : MinusOneIsInvalid {
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct HandleTraits : NullIsInvalid<HANDLE> {
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindTraits : MinusOneIsInvalid {
    static void Close(HANDLE h) noexcept { ::FindClose(h); }
};
struct KeyTraits : NullIsInvalid<HKEY> {
    static void Close(HKEY k) noexcept { ::RegCloseKey(k); }
};
struct ModuleTraits : NullIsInvalid<HMODULE> {
    static void Close(HMODULE m) noexcept { ::FreeLibrary(m); }
};
struct ViewTraits : NullIsInvalid<const void*> {
    static void Close(const void* p) noexcept { ::UnmapViewOfFile(p); }
};
struct LocalTraits : NullIsInvalid<HLOCAL> {
    static void Close(HLOCAL p) noexcept { ::LocalFree(p); }
};
struct CoTaskTraits : NullIsInvalid<void*> {
    static void Close(void* p) noexcept { ::CoTaskMemFree(p); }
};
struct HeapTraits : NullIsInvalid<void*> {
    static void Close(void* p) noexcept { ::HeapFree(::GetProcessHeap(), 0, p); }
};
struct CryptContextTraits {
    using Type = HCRYPTPROV;
    static HCRYPTPROV Invalid() noexcept { return 0; }
    static void Close(HCRYPTPROV p) noexcept { ::CryptReleaseContext(p, 0); }
};
struct CryptHashTraits {
    using Type = HCRYPTHASH;
    static HCRYPTHASH Invalid() noexcept { return 0; }
    static void Close(HCRYPTHASH h) noexcept { ::CryptDestroyHash(h); }
};
} // namespace detail

// CreateFileW fails with INVALID_HANDLE_VALUE.
using FileHandle = Owner<detail::FileTraits>;
// Most other handle APIs (CreateFileMappingW, OpenProcessToken, events) fail with null.
using Handle = Owner<detail::HandleTraits>;
// FindFirstFileW and FindFirstStreamW fail with INVALID_HANDLE_VALUE and close with FindClose.
using FindHandle = Owner<detail::FindTraits>;
using StreamFindHandle = Owner<detail::FindTraits>;
using RegKey = Owner<detail::KeyTraits>;
using Module = Owner<detail::ModuleTraits>;
using FileMapping = Owner<detail::HandleTraits>;
using MappedView = Owner<detail::ViewTraits>;
using LocalMemory = Owner<detail::LocalTraits>;
using CoTaskMemory = Owner<detail::CoTaskTraits>;
using HeapMemory = Owner<detail::HeapTraits>;
// CryptAcquireContextW and CryptCreateHash fail with 0.
using CryptContext = Owner<detail::CryptContextTraits>;
using CryptHash = Owner<detail::CryptHashTraits>;

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

// COM on this thread for as long as it lives, in a single-threaded apartment; uninitialised again
// only when the initialisation succeeded.
class ComApartment {
  public:
    ComApartment() noexcept : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (initialised_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool initialised_;
};

// A PROPVARIANT that a property read fills; cleared on every path.
struct PropVariantOwner {
    PROPVARIANT value;
    PropVariantOwner() noexcept { PropVariantInit(&value); }
    PropVariantOwner(const PropVariantOwner&) = delete;
    PropVariantOwner& operator=(const PropVariantOwner&) = delete;
    ~PropVariantOwner() { PropVariantClear(&value); }
};

} // namespace scrutel
