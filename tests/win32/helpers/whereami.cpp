// A program for the shell to start: writes its working folder and its whole
// command line, in UTF-8, one per line and then "end", to the file named by its
// first argument.
//   whereami OUTFILE [anything...]
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

}  // namespace

int main() {
  const wchar_t* commandLine = GetCommandLineW();
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(commandLine, &argc);
  if (!argv || argc < 2) return 2;
  wchar_t folder[MAX_PATH * 2];
  DWORD n = GetCurrentDirectoryW(MAX_PATH * 2, folder);
  std::string report = Utf8(std::wstring(folder, n)) + "\n" + Utf8(commandLine) + "\nend\n";
  // Written under another name first, so the test never reads half a report.
  std::wstring target = argv[1];
  std::wstring partial = target + L".part";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
  CloseHandle(file);
  return MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
