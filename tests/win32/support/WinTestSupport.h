#pragma once
// Small tools shared by the Win32 test programs.
#include <windows.h>

#include <string>

namespace zez::test {

// Full path of a program that sits beside the running test program.
std::wstring BesideMe(const wchar_t* fileName);

struct TRunResult {
  DWORD ExitCode = 0xFFFFFFFF;
  std::string Output;  // what the program wrote to its standard output
};

// Starts a program with the given command line (program path quoted by the
// caller or not) and waits for it, collecting its standard output.
TRunResult RunProgram(const std::wstring& commandLine, DWORD timeoutMs = 30000);

// Hex form of bytes and back; helpers pass clipboard bytes on command lines.
std::string ToHex(const std::string& bytes);
std::string FromHex(const std::string& hex);

// A command line that starts a helper program beside this one.
std::wstring HelperCommand(const wchar_t* helper, const std::string& arguments);

}  // namespace zez::test
