// Functions of system DLLs that start-up does not need, resolved on their first call: the
// updater's HTTP, signature and COM libraries. Under Wine the first two pull in GnuTLS and
// its dependencies, megabytes of resident memory for a program that may never check for an
// update. The DLLs come from the system folder only, never from beside the program.
#pragma once

#include <windows.h>

#include <atomic>

namespace win32 {

// The named export of a system DLL, loading the DLL on first use; throws std::runtime_error
// naming the DLL or the function when either is missing.
FARPROC SystemDllProc(const wchar_t* dll, const char* name);

// Stands for one function: calling it calls the DLL's export (the conversion to the exact
// function pointer type keeps the parameter types and the calling convention).
template <typename F>
class LazyProc {
 public:
  constexpr LazyProc(const wchar_t* dll, const char* name) : dll_(dll), name_(name) {}
  operator F() const {
    F f = cached_.load(std::memory_order_acquire);
    if (!f) {
      f = reinterpret_cast<F>(reinterpret_cast<void (*)()>(SystemDllProc(dll_, name_)));
      cached_.store(f, std::memory_order_release);
    }
    return f;
  }

 private:
  const wchar_t* dll_;
  const char* name_;
  mutable std::atomic<F> cached_{nullptr};
};

}  // namespace win32

// Declares FN in the current scope as the lazily resolved export FN of DLL; unqualified calls
// in that scope reach it instead of the import-library function.
#define CIFRONA_LAZY_PROC(dll, fn) const ::win32::LazyProc<decltype(&::fn)> fn{dll, #fn}
