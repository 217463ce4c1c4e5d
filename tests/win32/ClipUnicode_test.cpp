// Both text forms and the history marks on the real clipboard, in code page 936.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "WinTestSupport.h"
#include "app/ClipHistory.h"
#include "clipboard/Clipbrd.h"
#include "util/CodePage.h"

namespace zez {
namespace {

using test::HelperCommand;
using test::ToHex;

// "café ☕ 한국어 😀 naïve": most of it has no form in code page 936.
const std::u16string kText = u"caf\u00E9 \u2615 \uD55C\uAD6D\uC5B4 \U0001F600 na\u00EFve";

std::string Utf16Hex(std::u16string_view units) {
  return ToHex(std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2));
}

// Runs a helper to its end while answering messages sent to this thread: a
// helper that empties a clipboard we own waits on our window.
test::TRunResult RunPumping(const std::string& arguments) {
  test::TRunResult result;
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring line = HelperCommand(L"cliptool.exe", arguments);
  BOOL started =
      CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return result;
  }
  std::thread reader([&] {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
      result.Output.append(buffer, got);
    }
  });
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= 30000) {
      TerminateProcess(pi.hProcess, 99);
      break;
    }
    if (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 30000 - elapsed, QS_ALLINPUT) ==
        WAIT_OBJECT_0)
      break;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
  reader.join();
  GetExitCodeProcess(pi.hProcess, &result.ExitCode);
  CloseHandle(readEnd);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return result;
}

// The raw block of a format, as bytes; "<none>" without one.
std::string RawBlock(UINT format) {
  std::string bytes = "<none>";
  if (!OpenClipboard(nullptr)) return "<not opened>";
  if (HANDLE h = GetClipboardData(format)) {
    const char* p = static_cast<const char*>(GlobalLock(h));
    bytes.assign(p, GlobalSize(h));
    GlobalUnlock(h);
  }
  CloseClipboard();
  return bytes;
}

std::vector<UINT> Formats() {
  std::vector<UINT> formats;
  if (!OpenClipboard(nullptr)) return formats;
  for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) formats.push_back(f);
  CloseClipboard();
  return formats;
}

TEST(SystemCodePage, ConvertsAndCountsInCodePage936) {
  ASSERT_EQ(GetACP(), 936u);
  const TCodePage& page = SystemCodePage();
  EXPECT_TRUE(page.AnsiToWide("\xD6\xD0\xCE\xC4\r\nab") == u"\u4E2D\u6587\r\nab");
  EXPECT_EQ(page.WideToAnsi(u"\u4E2D\u6587\r\nab"), "\xD6\xD0\xCE\xC4\r\nab");
  EXPECT_TRUE(page.AnsiToWide("").empty());
  EXPECT_TRUE(page.WideToAnsi(u"").empty());
  EXPECT_TRUE(page.IsLeadByte(0x81));
  EXPECT_FALSE(page.IsLeadByte('a'));
  struct Case {
    const char* name;
    std::u16string character;
    std::size_t bytes;
  };
  const std::vector<Case> cases = {
      {"ASCII", u"a", 1},
      {"CJK", u"\u4E2D", 2},
      {"pinyin accent", u"\u00E9", 2},
      {"Korean", u"\uD55C", 1},
      {"symbol", u"\u2615", 1},
      {"surrogate pair", u"\U0001F600", 1},
      {"lone surrogate", u"\xD800", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(page.CharacterBytes(c.character), c.bytes) << c.name;
  }
}

class ClipUnicodeWin : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZezTestUnicodeOpener";
    RegisterClassW(&wc);
    FOpener = CreateWindowExW(0, wc.lpszClassName, L"opener", WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, wc.hInstance, nullptr);
    Clipboard().SetOpenerWindow(reinterpret_cast<TWindowHandle>(FOpener));
  }
  static void TearDownTestSuite() { DestroyWindow(FOpener); }
  void TearDown() override { EXPECT_EQ(Clipboard().OpenDepth(), 0); }

  static inline HWND FOpener = nullptr;
};

TEST_F(ClipUnicodeWin, BothFormsGoOutAndComeBackExactly) {
  const std::string ansi = "caf\xA8\xA6 ? ??? ? na?ve\r\n";
  const ClipText text(ansi, kText + u"\r\n");
  Clipboard().WriteClipboardText(text);
  EXPECT_EQ(GetClipboardOwner(), FOpener);
  EXPECT_EQ(ToHex(RawBlock(CF_TEXT)), ToHex(ansi + '\0'));
  EXPECT_EQ(ToHex(RawBlock(CF_UNICODETEXT)), Utf16Hex(kText + u"\r\n") + "0000");
  const std::vector<UINT> formats = Formats();
  ASSERT_GE(formats.size(), 2u);
  EXPECT_EQ(formats[0], UINT{CF_TEXT});
  EXPECT_EQ(formats[1], UINT{CF_UNICODETEXT});
  EXPECT_EQ(Clipboard().ReadClipboardText(), text);
  // Another process reads the same characters.
  auto got = RunPumping("get-unicode");
  EXPECT_EQ(got.ExitCode, 0u);
  EXPECT_EQ(got.Output, Utf16Hex(kText + u"\r\n"));
}

TEST_F(ClipUnicodeWin, AnsiOnlyTextStillGoesOutAsCfTextAlone) {
  Clipboard().WriteClipboardText("\xD6\xD0\xCE\xC4\r\n");
  // What is there besides CF_TEXT is the system's synthesis of it.
  const std::vector<UINT> formats = Formats();
  ASSERT_FALSE(formats.empty());
  EXPECT_EQ(formats[0], UINT{CF_TEXT});
  EXPECT_EQ(ToHex(RawBlock(CF_TEXT)), ToHex(std::string("\xD6\xD0\xCE\xC4\r\n\0", 7)));
  EXPECT_EQ(ToHex(RawBlock(CF_UNICODETEXT)), Utf16Hex(u"\u4E2D\u6587\r\n") + "0000");
}

TEST_F(ClipUnicodeWin, UnicodeCopiesOfAnotherProgramKeepTheirCharacters) {
  ASSERT_EQ(RunPumping("set-unicode " + Utf16Hex(kText)).ExitCode, 0u);
  ClipText text = Clipboard().ReadClipboardText();
  ASSERT_TRUE(text.HasUnicode());
  EXPECT_TRUE(text.Unicode() == kText);
  // The ANSI form is what CF_TEXT gives, exactly.
  EXPECT_EQ(ToHex(text.Ansi() + '\0'), ToHex(RawBlock(CF_TEXT)));
  // Its row shows the characters as copied.
  TClipLabel label = ClipLabel(text, SystemCodePage());
  EXPECT_TRUE(label.Wide);
  EXPECT_TRUE(label.WideFirstLine == kText);

  // A text the code page holds keeps no second copy, whichever form it came in.
  ASSERT_EQ(RunPumping("set-unicode " + Utf16Hex(u"\u4E2D\u6587 ab")).ExitCode, 0u);
  EXPECT_EQ(Clipboard().ReadClipboardText(), "\xD6\xD0\xCE\xC4 ab");
  ASSERT_EQ(RunPumping("set-text " + ToHex("\xD6\xD0\xCE\xC4 ab")).ExitCode, 0u);
  EXPECT_EQ(Clipboard().ReadClipboardText(), "\xD6\xD0\xCE\xC4 ab");
}

TEST_F(ClipUnicodeWin, MarksOfPasswordManagersAreSeen) {
  struct Case {
    const char* mark;
    bool excluded;
  };
  const std::vector<Case> cases = {
      {"", false},
      {"ExcludeClipboardContentFromMonitorProcessing", true},
      {"Clipboard Viewer Ignore", true},
      {"CanIncludeInClipboardHistory=0", true},
      {"CanIncludeInClipboardHistory=1", false},
      {"CanUploadToCloudClipboard=0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mark);
    ASSERT_EQ(RunPumping("set-marked " + Utf16Hex(u"secret") + " \"" + c.mark + "\"").ExitCode, 0u);
    EXPECT_EQ(Clipboard().ExcludedFromHistory(), c.excluded);
    EXPECT_EQ(Clipboard().OpenDepth(), 0);
  }
}

}  // namespace
}  // namespace zez
