#include "util/vuzShell.h"

namespace zez {

// A trail byte can only be told from a lone byte by walking from the start,
// so the scan goes forwards and keeps the last delimiter it met.
std::string WorkingFolder(std::string_view document, TLeadByteTest isLeadByte) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < document.size(); ++i) {
    const auto byte = static_cast<unsigned char>(document[i]);
    if (isLeadByte(byte)) {
      ++i;  // its trail byte is part of the character, whatever its code
    } else if (byte == '\\' || byte == ':') {
      end = i + 1;
    }
  }
  return std::string(document.substr(0, end));
}

bool ShellSucceeded(std::uintptr_t result) {
  return static_cast<std::uint32_t>(result) > 32;
}

bool ShellOpenFile(TShellSystem& system, TLeadByteTest isLeadByte, std::string_view document,
                   std::string_view parameters) {
  const std::string file(document);
  const std::string params(parameters);
  const std::string folder = WorkingFolder(document, isLeadByte);
  const TWindowHandle owner = system.ActiveWindow();
  // Empty texts go to the shell as empty strings; only the verb is null.
  return ShellSucceeded(system.ShellExecuteA(owner, nullptr, file.c_str(), params.c_str(),
                                             folder.c_str(), kShowNormal));
}

}  // namespace zez
