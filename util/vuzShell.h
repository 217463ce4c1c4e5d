#pragma once
// Opening a document, program or web address through the Windows shell, with
// the document's own folder as the working folder.
#include <cstdint>
#include <string>
#include <string_view>

#include "util/LeadByte.h"
#include "util/Types.h"

namespace zez {

// The two system calls ShellOpenFile makes.
class TShellSystem {
 public:
  virtual ~TShellSystem() = default;
  // GetActiveWindow.
  virtual TWindowHandle ActiveWindow() = 0;
  // ShellExecuteA; the result is the HINSTANCE as a number.
  virtual std::uintptr_t ShellExecuteA(TWindowHandle owner, const char* operation, const char* file,
                                       const char* parameters, const char* directory,
                                       int showCommand) = 0;
};

inline constexpr int kShowNormal = 1;  // SW_SHOWNORMAL

// The text of document up to and including its last backslash or colon,
// empty when it has none. Second bytes of double-byte characters (as told by
// isLeadByte) never count as either.
std::string WorkingFolder(std::string_view document, TLeadByteTest isLeadByte);

// True when the shell's result, read as an unsigned 32-bit number, is above 32.
bool ShellSucceeded(std::uintptr_t result);

// Opens document through the given system; isLeadByte is the ANSI code
// page's lead-byte test.
bool ShellOpenFile(TShellSystem& system, TLeadByteTest isLeadByte, std::string_view document,
                   std::string_view parameters);

// The same over the real system and code page (Windows builds only).
TShellSystem& SystemShell();
bool IsAnsiLeadByte(unsigned char byte);
bool ShellOpenFile(std::string_view document, std::string_view parameters);

}  // namespace zez
