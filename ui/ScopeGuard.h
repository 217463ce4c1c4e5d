#pragma once
// A dismissible scope guard: runs its action at scope exit unless dismissed.
#include <utility>

namespace zez {

template <class F>
class TScopeGuard {
 public:
  explicit TScopeGuard(F action) : FAction(std::move(action)) {}
  TScopeGuard(TScopeGuard&& other) noexcept
      : FAction(std::move(other.FAction)), FActive(std::exchange(other.FActive, false)) {}
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;
  TScopeGuard& operator=(TScopeGuard&&) = delete;
  ~TScopeGuard() {
    if (FActive) FAction();
  }
  void Dismiss() noexcept { FActive = false; }

 private:
  F FAction;
  bool FActive = true;
};

}  // namespace zez
