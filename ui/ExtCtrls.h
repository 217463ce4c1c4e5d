#pragma once
// The timer component: a window timer (SetTimer) on a hidden window of its
// own, so ticks go on in any message loop, the error box's included.
#include <memory>

#include "ui/Forms.h"
#include "ui/UtilWindow.h"

namespace zez {

class TTimer : public TComponent {
 public:
  // Interval, Enabled and OnTimer come from the owner's table; the timer
  // starts when the form is loaded (or at once without an owner).
  TTimer(TForm* owner, std::string_view name);
  ~TTimer() override;

  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned ms);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  TNotifyEvent OnTimer;

 protected:
  void Loaded() override;

 private:
  void Update();
  void Tick();
  std::unique_ptr<TUtilWindow> FWindow;
  unsigned FInterval = 1000;
  bool FEnabled = true;
  bool FLoaded = false;
};

}  // namespace zez
