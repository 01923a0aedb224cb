// Small owners for the platform's handles: each closes what it holds on every
// path, none can be copied. WinHTTP and CNG handles have their owners beside
// the code that uses them (catalog/http_client.h, app/sha256.cpp).
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() = default;
    explicit Unique(Type value) : value_(value) {}
    ~Unique() { reset(); }

    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Type get() const { return value_; }
    explicit operator bool() const { return Traits::IsValid(value_); }

    Type release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(Type value = Traits::Invalid()) {
        Type old = std::exchange(value_, value);
        if (Traits::IsValid(old)) Traits::Close(old);
    }
    // Address for functions that hand a new handle back through a pointer.
    Type* put() {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};
template <typename T>
struct GdiObjectTraits {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DeleteDC(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};
struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
struct FindTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};
// Memory from GlobalAlloc, or handed to the caller to free with GlobalFree
// (WinHTTP's proxy strings).
template <typename T>
struct GlobalMemoryTraits {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { GlobalFree(h); }
};
struct MenuTraits {
    using Type = HMENU;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyMenu(h); }
};

using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueRegKey = Unique<RegKeyTraits>;
using UniqueBrush = Unique<GdiObjectTraits<HBRUSH>>;
using UniquePen = Unique<GdiObjectTraits<HPEN>>;
using UniqueFont = Unique<GdiObjectTraits<HFONT>>;
using UniqueBitmap = Unique<GdiObjectTraits<HBITMAP>>;
using UniqueRegion = Unique<GdiObjectTraits<HRGN>>;
using UniqueMemoryDc = Unique<MemoryDcTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueGlobalMemory = Unique<GlobalMemoryTraits<HGLOBAL>>;
using UniqueGlobalText = Unique<GlobalMemoryTraits<LPWSTR>>;
// A directory listing of FindFirstFileW / FindFirstFileExW.
using UniqueFind = Unique<FindTraits>;

// Selects an object into a device context and selects the previous one back,
// so that the object can be deleted afterwards.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// GetDC / ReleaseDC of a window (or of the screen for a null window).
class ScopedWindowDc {
public:
    explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedWindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint of one WM_PAINT.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~ScopedPaint() { EndPaint(window_, &paint_); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    HDC hdc() const { return dc_; }
    const PAINTSTRUCT& paint() const { return paint_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// SaveDC / RestoreDC around a block that changes clipping or modes.
class ScopedSaveDc {
public:
    explicit ScopedSaveDc(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~ScopedSaveDc() {
        if (saved_ != 0) RestoreDC(dc_, saved_);
    }
    ScopedSaveDc(const ScopedSaveDc&) = delete;
    ScopedSaveDc& operator=(const ScopedSaveDc&) = delete;

private:
    HDC dc_;
    int saved_;
};

// A COM interface pointer that releases what it holds.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    void reset() {
        if (ptr_ != nullptr) std::exchange(ptr_, nullptr)->Release();
    }
    T** put() {
        reset();
        return &ptr_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

private:
    T* ptr_ = nullptr;
};

// Memory that the shell hands back and that is freed with CoTaskMemFree.
template <typename T>
class CoTaskMemPtr {
public:
    CoTaskMemPtr() = default;
    ~CoTaskMemPtr() { CoTaskMemFree(ptr_); }
    CoTaskMemPtr(const CoTaskMemPtr&) = delete;
    CoTaskMemPtr& operator=(const CoTaskMemPtr&) = delete;
    T get() const { return ptr_; }
    T* put() {
        CoTaskMemFree(ptr_);
        ptr_ = nullptr;
        return &ptr_;
    }

private:
    T ptr_ = nullptr;
};

// Memory that a system function allocated for the caller to free with
// LocalFree (security descriptors, SID strings), for std::unique_ptr.
struct LocalFreeDeleter {
    void operator()(void* memory) const { LocalFree(memory); }
};

// CoInitializeEx / CoUninitialize for one thread.
class ScopedComApartment {
public:
    ScopedComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ScopedComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ScopedComApartment(const ScopedComApartment&) = delete;
    ScopedComApartment& operator=(const ScopedComApartment&) = delete;
    bool ok() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};
