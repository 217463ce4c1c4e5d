// The clipboard object's binding to the real clipboard.
#include <windows.h>

#include "clipboard/Clipbrd.h"

namespace zez {
namespace {

HANDLE AsHandle(TGlobalHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}
TGlobalHandle FromHandle(HANDLE handle) {
  return reinterpret_cast<TGlobalHandle>(handle);
}

class TWin32ClipboardSystem final : public TClipboardSystem {
 public:
  bool Open(TWindowHandle opener) override {
    return OpenClipboard(reinterpret_cast<HWND>(opener)) != FALSE;
  }
  void Close() override { CloseClipboard(); }
  void Empty() override { EmptyClipboard(); }
  bool IsFormatAvailable(unsigned format) override {
    return IsClipboardFormatAvailable(format) != FALSE;
  }
  TGlobalHandle GetData(unsigned format) override { return FromHandle(GetClipboardData(format)); }
  TGlobalHandle SetData(unsigned format, TGlobalHandle block) override {
    return FromHandle(SetClipboardData(format, AsHandle(block)));
  }
  TGlobalHandle Alloc(unsigned flags, std::size_t size) override {
    return FromHandle(GlobalAlloc(flags, size));
  }
  void* Lock(TGlobalHandle block) override { return GlobalLock(AsHandle(block)); }
  void Unlock(TGlobalHandle block) override { GlobalUnlock(AsHandle(block)); }
  void Free(TGlobalHandle block) override { GlobalFree(AsHandle(block)); }
  std::size_t Size(TGlobalHandle block) override { return GlobalSize(AsHandle(block)); }
  unsigned RegisterFormat(const std::u16string& name) override {
    return RegisterClipboardFormatW(reinterpret_cast<const wchar_t*>(name.c_str()));
  }
};

}  // namespace

TClipboard& Clipboard() {
  static TWin32ClipboardSystem system;
  static TClipboard clipboard(system, SystemCodePage());
  return clipboard;
}

}  // namespace zez
