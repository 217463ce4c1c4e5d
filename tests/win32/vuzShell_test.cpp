// ShellOpenFile through the real shell: a helper program of ours is started
// with the parameters given, in the document's own folder.
#include "util/vuzShell.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "WinTestSupport.h"

namespace {

std::string ToAnsi(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) on "\"" + text.
std::string Quoted(const std::string& text) {
  std::string out(1, '"');
  out.append(text).push_back('"');
  return out;
}

std::wstring BinFolder() {
  return zez::test::BesideMe(L"");
}  // ends in a backslash

std::wstring TempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name + std::to_wstring(GetCurrentProcessId()) + L".txt";
}

struct TReport {
  bool Arrived = false;
  std::wstring Folder, CommandLine;
};

// Waits for whereami's report file and takes it away.
TReport ReadReport(const std::wstring& path) {
  TReport report;
  const ULONGLONG end = GetTickCount64() + 15000;
  HANDLE file = INVALID_HANDLE_VALUE;
  while ((file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) ==
             INVALID_HANDLE_VALUE &&
         GetTickCount64() < end)
    Sleep(20);
  if (file == INVALID_HANDLE_VALUE) return report;
  std::string bytes(4096, '\0');
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  DeleteFileW(path.c_str());
  bytes.resize(got);
  const std::size_t first = bytes.find('\n');
  const std::size_t second = bytes.find('\n', first + 1);
  if (first == std::string::npos || second == std::string::npos ||
      bytes.compare(second + 1, std::string::npos, "end\n") != 0)
    return report;
  report.Arrived = true;
  report.Folder = FromUtf8(bytes.substr(0, first));
  report.CommandLine = FromUtf8(bytes.substr(first + 1, second - first - 1));
  return report;
}

bool SameFolder(std::wstring a, std::wstring b) {
  for (auto* s : {&a, &b})
    while (!s->empty() && s->back() == L'\\') s->pop_back();
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Runs the test's own process somewhere else, so that a child that merely
// inherited its folder would be caught.
class TCurrentFolderElsewhere {
 public:
  TCurrentFolderElsewhere() {
    GetCurrentDirectoryW(MAX_PATH, FSaved);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
  }
  ~TCurrentFolderElsewhere() { SetCurrentDirectoryW(FSaved); }

 private:
  wchar_t FSaved[MAX_PATH]{};
};

TEST(ShellOpenFileWin, StartsTheProgramWithItsParametersInItsOwnFolder) {
  TCurrentFolderElsewhere elsewhere;
  const std::wstring out = TempFile(L"zez-whereami-");
  DeleteFileW(out.c_str());
  const std::string parameters = Quoted(ToAnsi(out)).append(" one \"two three\"");
  const std::string document = ToAnsi(BinFolder() + L"whereami.exe");

  EXPECT_TRUE(zez::ShellOpenFile(document, parameters));

  const TReport report = ReadReport(out);
  ASSERT_TRUE(report.Arrived) << "whereami wrote no report";
  EXPECT_TRUE(SameFolder(report.Folder, BinFolder())) << ToAnsi(report.Folder);
  const std::wstring wideParameters(parameters.begin(), parameters.end());
  EXPECT_TRUE(EndsWith(report.CommandLine, L" " + wideParameters)) << ToAnsi(report.CommandLine);
}

TEST(ShellOpenFileWin, TrailByteBackslashInTheNameIsNoFolderEnd) {
  if (!IsDBCSLeadByte(0xB1)) GTEST_SKIP() << "needs a double-byte ANSI code page";
  // "盶" is B1 5C in GBK: a byte scan would take "...\w\xB1\" for the folder.
  const std::wstring copy = BinFolder() + L"w\u76F6.exe";
  ASSERT_TRUE(CopyFileW((BinFolder() + L"whereami.exe").c_str(), copy.c_str(), FALSE));
  const std::string document = ToAnsi(copy);
  ASSERT_NE(document.find("w\xB1\x5C.exe"), std::string::npos);
  ASSERT_EQ(zez::WorkingFolder(document, zez::IsAnsiLeadByte), ToAnsi(BinFolder()));

  TCurrentFolderElsewhere elsewhere;
  const std::wstring out = TempFile(L"zez-whereami-dbcs-");
  DeleteFileW(out.c_str());
  EXPECT_TRUE(zez::ShellOpenFile(document, Quoted(ToAnsi(out))));
  const TReport report = ReadReport(out);
  EXPECT_TRUE(report.Arrived) << "the copy wrote no report";
  EXPECT_TRUE(SameFolder(report.Folder, BinFolder())) << ToAnsi(report.Folder);
  // The program has ended once its report is there; allow it a moment.
  for (int i = 0; i < 50 && !DeleteFileW(copy.c_str()); ++i) Sleep(100);
}

TEST(ShellOpenFileWin, MissingDocumentFails) {
  const std::wstring documents[] = {BinFolder() + L"no-such-program.exe",
                                    BinFolder() + L"no-such-folder\\report.txt"};
  for (const auto& document : documents) {
    SCOPED_TRACE(ToAnsi(document));
    EXPECT_FALSE(zez::ShellOpenFile(ToAnsi(document), ""));
  }
}

}  // namespace
