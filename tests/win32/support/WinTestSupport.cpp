#include "WinTestSupport.h"

#include <stdexcept>

namespace zez::test {

std::wstring BesideMe(const wchar_t* fileName) {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  dir.resize(dir.find_last_of(L"\\/") + 1);
  return dir + fileName;
}

TRunResult RunProgram(const std::wstring& commandLine, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) throw std::runtime_error("CreatePipe failed");
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring line = commandLine;
  TRunResult result;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    throw std::runtime_error("CreateProcess failed");
  }
  CloseHandle(writeEnd);
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    result.Output.append(buffer, got);
  }
  CloseHandle(readEnd);
  if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
  GetExitCodeProcess(pi.hProcess, &result.ExitCode);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return result;
}

std::string ToHex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

std::string FromHex(const std::string& hex) {
  auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    int hi = value(hex[i]), lo = value(hex[i + 1]);
    if (hi < 0 || lo < 0) break;
    bytes += static_cast<char>(hi * 16 + lo);
  }
  return bytes;
}

}  // namespace zez::test

namespace zez::test {

std::wstring HelperCommand(const wchar_t* helper, const std::string& arguments) {
  return L"\"" + BesideMe(helper) + L"\" " + std::wstring(arguments.begin(), arguments.end());
}

}  // namespace zez::test
