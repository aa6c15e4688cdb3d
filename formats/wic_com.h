// Owners for the COM objects of the Windows Imaging Component, shared by the
// Win32 build's PNG code in formats/ and image/: each releases what it holds
// on every path, and a failed call becomes a reason for a message.
#pragma once

#include <wincodec.h>
#include <windows.h>

#include <string>

namespace tavrin::wic {

// Releases a COM object on every path.
template <class T>
class Com {
  public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    T** out() { return &pointer_; }
    T* operator->() const { return pointer_; }
    T* get() const { return pointer_; }

  private:
    T* pointer_ = nullptr;
};

// COM for the duration of one call; a thread already set up stays as it was.
class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    HRESULT result_;
};

inline bool failed(HRESULT result, const char* what, std::string& reason) {
    if (SUCCEEDED(result)) {
        return false;
    }
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(result));
    reason = std::string("the Windows Imaging Component could not ") + what + " (" + code + ")";
    return true;
}

}  // namespace tavrin::wic
