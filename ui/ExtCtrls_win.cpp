#include <windows.h>

#include "ui/ExtCtrls.h"

namespace zez {

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TForm* owner, std::string_view name) : TComponent(owner, name) {
  if (owner) {
    FInterval = FRecord.Interval;
    FEnabled = FRecord.Enabled;
    OnTimer = BindNotify(FRecord.OnTimer);
  } else {
    FLoaded = true;
  }
  FWindow = std::make_unique<TUtilWindow>([this](TMessage& m) {
    if (m.Msg != WM_TIMER) return false;
    Tick();
    return true;
  });
  Update();
}

TTimer::~TTimer() {
  if (FWindow) KillTimer(reinterpret_cast<HWND>(FWindow->Handle()), kTimerId);
}

void TTimer::Loaded() {
  FLoaded = true;
  Update();
}

void TTimer::SetInterval(unsigned ms) {
  FInterval = ms;
  Update();
}

void TTimer::SetEnabled(bool enabled) {
  FEnabled = enabled;
  Update();
}

void TTimer::Update() {
  HWND h = reinterpret_cast<HWND>(FWindow->Handle());
  KillTimer(h, kTimerId);
  if (FLoaded && FEnabled && FInterval > 0) SetTimer(h, kTimerId, FInterval, nullptr);
}

void TTimer::Tick() {
  // A copy: the handler may replace OnTimer while it runs.
  if (TNotifyEvent handler = OnTimer) handler(this);
}

}  // namespace zez
