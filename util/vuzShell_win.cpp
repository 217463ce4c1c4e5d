#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "util/vuzShell.h"

namespace zez {

namespace {

class TWinShellSystem final : public TShellSystem {
 public:
  TWindowHandle ActiveWindow() override {
    return reinterpret_cast<TWindowHandle>(::GetActiveWindow());
  }
  std::uintptr_t ShellExecuteA(TWindowHandle owner, const char* operation, const char* file,
                               const char* parameters, const char* directory,
                               int showCommand) override {
    return reinterpret_cast<std::uintptr_t>(::ShellExecuteA(
        reinterpret_cast<HWND>(owner), operation, file, parameters, directory, showCommand));
  }
};

}  // namespace

TShellSystem& SystemShell() {
  static TWinShellSystem system;
  return system;
}

bool IsAnsiLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

bool ShellOpenFile(std::string_view document, std::string_view parameters) {
  return ShellOpenFile(SystemShell(), IsAnsiLeadByte, document, parameters);
}

}  // namespace zez
