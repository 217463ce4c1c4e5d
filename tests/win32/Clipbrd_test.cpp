// The clipboard object on the real clipboard, with other real processes.
#include "clipboard/Clipbrd.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "WinTestSupport.h"
#include "util/Exception.h"

namespace zez {
namespace {

using test::HelperCommand;
using test::ToHex;

// Waits for an event while answering messages sent to this thread.
bool WaitPumping(HANDLE event, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    DWORD r = MsgWaitForMultipleObjects(1, &event, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
}

// Runs a helper to its end while answering messages sent to this thread: under
// Wine a helper's first look at a clipboard we own waits on our window.
test::TRunResult RunPumping(const std::wstring& commandLine, DWORD timeoutMs = 30000) {
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
  std::wstring line = commandLine;
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
  if (!WaitPumping(pi.hProcess, timeoutMs)) TerminateProcess(pi.hProcess, 99);
  reader.join();
  GetExitCodeProcess(pi.hProcess, &result.ExitCode);
  CloseHandle(readEnd);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return result;
}

// Another process holding the clipboard open for the length of a scope.
class TClipboardHolder {
 public:
  TClipboardHolder() {
    static int serial = 0;
    std::string name =
        "zez-holder-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    std::wstring wide(name.begin(), name.end());
    FReady = CreateEventW(nullptr, TRUE, FALSE, (wide + L"-ready").c_str());
    FRelease = CreateEventW(nullptr, TRUE, FALSE, (wide + L"-release").c_str());
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::wstring line = HelperCommand(L"clipholder.exe", name);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &FProcess)) {
      ADD_FAILURE() << "clipholder did not start";
      return;
    }
    FHolding = WaitPumping(FReady, 20000);
  }
  ~TClipboardHolder() {
    SetEvent(FRelease);
    if (FProcess.hProcess) {
      if (WaitForSingleObject(FProcess.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(FProcess.hProcess, 99);
      }
      CloseHandle(FProcess.hThread);
      CloseHandle(FProcess.hProcess);
    }
    CloseHandle(FReady);
    CloseHandle(FRelease);
  }
  bool Holding() const { return FHolding; }

 private:
  HANDLE FReady = nullptr;
  HANDLE FRelease = nullptr;
  PROCESS_INFORMATION FProcess{};
  bool FHolding = false;
};

// Raw Win32 contents, as another part of the desktop would put them.
void PutRaw(HWND opener, const std::vector<std::pair<UINT, HANDLE>>& formats) {
  ASSERT_TRUE(OpenClipboard(opener));
  EmptyClipboard();
  for (const auto& [format, data] : formats) EXPECT_NE(SetClipboardData(format, data), nullptr);
  CloseClipboard();
}

HANDLE SmallBitmap() {
  return CreateBitmap(4, 4, 1, 32, nullptr);
}

// The real CF_TEXT block: its size and bytes.
std::string RawTextBlock() {
  std::string bytes = "<none>";
  if (!OpenClipboard(nullptr)) return "<not opened>";
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    const char* p = static_cast<const char*>(GlobalLock(h));
    bytes.assign(p, GlobalSize(h));
    GlobalUnlock(h);
  }
  CloseClipboard();
  return bytes;
}

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "<no error>";
}

class ClipbrdWin : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Stands in for the application window: the clipboard is opened with it.
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZezTestOpener";
    RegisterClassW(&wc);
    FOpener = CreateWindowExW(0, wc.lpszClassName, L"opener", WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, wc.hInstance, nullptr);
    Clipboard().SetOpenerWindow(reinterpret_cast<TWindowHandle>(FOpener));
  }
  static void TearDownTestSuite() { DestroyWindow(FOpener); }
  void TearDown() override { EXPECT_EQ(Clipboard().OpenDepth(), 0); }

  static inline HWND FOpener = nullptr;
};

TEST_F(ClipbrdWin, RoundTripByteForByte) {
  std::string longText;
  for (int i = 0; i < 5000; ++i) longText += "row " + std::to_string(i) + " \xD6\xD0\xCE\xC4\r\n";
  const std::vector<std::pair<const char*, std::string>> texts = {
      {"lines with CR LF", "first line\r\n\xD6\xD0\xCE\xC4 second\r\n\r\nlast \t end"},
      {"lone CR and LF kept", "a\rb\nc\r\n"},
      {"every non-zero byte",
       [] {
         std::string s;
         for (int b = 1; b < 256; ++b) s += static_cast<char>(b);
         return s;
       }()},
      {"long", longText},
  };
  for (const auto& [name, text] : texts) {
    SCOPED_TRACE(name);
    Clipboard().WriteClipboardText(text);
    EXPECT_EQ(GetClipboardOwner(), FOpener);
    EXPECT_EQ(Clipboard().ReadClipboardText(), text);
    EXPECT_EQ(RawTextBlock(), text + '\0');
  }
  // Another process sees the same bytes, and its text reads back here.
  const std::string text = "to another\r\n\xD6\xD0\r\n";
  Clipboard().WriteClipboardText(text);
  auto got = RunPumping(HelperCommand(L"cliptool.exe", "get-text"));
  EXPECT_EQ(got.ExitCode, 0u);
  EXPECT_EQ(got.Output, ToHex(text));
  const std::string theirs = "from another\r\n\xCE\xC4\r\n";
  ASSERT_EQ(RunPumping(HelperCommand(L"cliptool.exe", "set-text " + ToHex(theirs))).ExitCode, 0u);
  EXPECT_EQ(Clipboard().ReadClipboardText(), theirs);
}

TEST_F(ClipbrdWin, EmptyTextIsAOneByteBlock) {
  Clipboard().WriteClipboardText("");
  EXPECT_EQ(RawTextBlock(), std::string(1, '\0'));
  EXPECT_EQ(Clipboard().ReadClipboardText(), "");
}

TEST_F(ClipbrdWin, WriteReplacesABitmap) {
  PutRaw(FOpener, {{CF_BITMAP, SmallBitmap()}});
  ASSERT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  Clipboard().WriteClipboardText("text now");
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
  EXPECT_EQ(Clipboard().ReadClipboardText(), "text now");
  // What is left is CF_TEXT and what the system makes of it.
  ASSERT_TRUE(OpenClipboard(nullptr));
  for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) {
    EXPECT_TRUE(f == CF_TEXT || f == CF_OEMTEXT || f == CF_UNICODETEXT || f == CF_LOCALE)
        << "format " << f;
  }
  CloseClipboard();
}

TEST_F(ClipbrdWin, UnicodeOnlyReadsInTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 936u);
  const std::wstring text = L"\u4E2D\u6587\r\nab";  // 中文
  std::string utf16(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  ASSERT_EQ(RunPumping(HelperCommand(L"cliptool.exe", "set-unicode " + ToHex(utf16))).ExitCode, 0u);
  EXPECT_TRUE(Clipboard().FormatPresent(CF_TEXT));
  const ClipText read = Clipboard().ReadClipboardText();
  EXPECT_EQ(ToHex(read.Ansi()), ToHex("\xD6\xD0\xCE\xC4\r\nab"));
  // The code page holds every character: no second copy.
  EXPECT_FALSE(read.HasUnicode());
}

TEST_F(ClipbrdWin, NoTextReadsEmptyWithoutError) {
  PutRaw(FOpener, {{CF_BITMAP, SmallBitmap()}});
  EXPECT_EQ(Clipboard().ReadClipboardText(), "");
  Clipboard().ClearClipboard();
  EXPECT_EQ(CountClipboardFormats(), 0);
  EXPECT_EQ(Clipboard().ReadClipboardText(), "");
}

TEST_F(ClipbrdWin, ClearEmptiesAndTakesOwnership) {
  Clipboard().WriteClipboardText("x");
  ASSERT_EQ(RunPumping(HelperCommand(L"cliptool.exe", "set-text 6162")).ExitCode, 0u);
  Clipboard().ClearClipboard();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(GetClipboardOwner(), FOpener);
}

TEST_F(ClipbrdWin, AnotherProcessHoldingTheClipboard) {
  const std::string before = "keep me\r\n";
  Clipboard().WriteClipboardText(before);
  {
    TClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(ErrorOf([] { Clipboard().ReadClipboardText(); }), "无法打开剪贴板");
    EXPECT_EQ(ErrorOf([] { Clipboard().WriteClipboardText("new"); }), "无法打开剪贴板");
    EXPECT_EQ(ErrorOf([] { Clipboard().ClearClipboard(); }), "无法打开剪贴板");
    EXPECT_EQ(Clipboard().OpenDepth(), 0);
    // The probe does not open the clipboard, so it still answers.
    EXPECT_TRUE(Clipboard().FormatPresent(CF_TEXT));
    EXPECT_FALSE(Clipboard().FormatPresent(CF_BITMAP));
  }
  // Nothing changed, and the next operation opens normally.
  EXPECT_EQ(Clipboard().ReadClipboardText(), before);
  Clipboard().WriteClipboardText("after");
  EXPECT_EQ(Clipboard().ReadClipboardText(), "after");
}

}  // namespace
}  // namespace zez
