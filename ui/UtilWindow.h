#pragma once
// A hidden top-level window for components that need one of their own (the
// timer, a tray icon): messages go to a handler behind an exception barrier.
#include <functional>

#include "util/Types.h"

namespace zez {

class TUtilWindow {
 public:
  // The handler returns true when it handled the message (Result is then
  // answered); otherwise the default window procedure answers.
  using THandler = std::function<bool(TMessage& message)>;
  explicit TUtilWindow(THandler handler);
  ~TUtilWindow();
  TUtilWindow(const TUtilWindow&) = delete;
  TUtilWindow& operator=(const TUtilWindow&) = delete;

  TWindowHandle Handle() const { return FHandle; }

 private:
  friend struct TUtilWindowProc;
  THandler FHandler;
  TWindowHandle FHandle = 0;
};

}  // namespace zez
