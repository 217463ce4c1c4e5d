// The real key strokes on the bench's desktop: what a low-level keyboard hook
// sees of SendCtrlV, and a paste into an edit control of another process.
#include "input/KeyMouse.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "WinTestSupport.h"

namespace {

// Polls until done() or the time is up; the desktop answers asynchronously.
template <class F>
bool WaitFor(F done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() > end) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  return true;
}

// ---- the low-level hook, on a thread of its own with its own message loop

std::vector<KBDLLHOOKSTRUCT> gSeen;  // written by the hook thread only
std::atomic<int> gSeenCount{0};

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    gSeen.push_back(*reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam));
    ++gSeenCount;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class THookThread {
 public:
  THookThread() {
    FThread = std::thread([this] {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
      HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, GetModuleHandleW(nullptr), 0);
      FThreadId = GetCurrentThreadId();
      FHooked = hook != nullptr;
      FReady = true;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      if (hook) UnhookWindowsHookEx(hook);
    });
    WaitFor([this] { return FReady.load(); }, 5000);
  }
  ~THookThread() { Stop(); }
  bool Hooked() const { return FHooked; }
  // After Stop, gSeen may be read.
  void Stop() {
    if (!FThread.joinable()) return;
    while (!PostThreadMessageW(FThreadId, WM_QUIT, 0, 0)) Sleep(10);
    FThread.join();
  }

 private:
  std::thread FThread;
  std::atomic<bool> FReady{false};
  std::atomic<bool> FHooked{false};
  std::atomic<DWORD> FThreadId{0};
};

TEST(KeyMouseWin, LowLevelHookSeesExactlyTheFourEvents) {
  gSeen.clear();
  gSeenCount = 0;
  THookThread hook;
  ASSERT_TRUE(hook.Hooked());
  const unsigned ctrlScan = MapVirtualKeyA(VK_CONTROL, 0) & 0xFF;
  const unsigned vScan = MapVirtualKeyA('V', 0) & 0xFF;
  zez::SendCtrlV();
  EXPECT_TRUE(WaitFor([] { return gSeenCount >= 4; }, 5000));
  Sleep(300);  // room for any stray fifth event
  hook.Stop();

  struct TExpected {
    DWORD Vk, Scan;
    bool Up;
  };
  const TExpected expected[] = {{VK_CONTROL, ctrlScan, false},
                                {'V', vScan, false},
                                {VK_CONTROL, ctrlScan, true},
                                {'V', vScan, true}};
  ASSERT_EQ(gSeen.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const KBDLLHOOKSTRUCT& e = gSeen[i];
    std::printf("event %d: vk %lu scan %lu flags 0x%lx extra %llu\n", i, e.vkCode, e.scanCode,
                e.flags, static_cast<unsigned long long>(e.dwExtraInfo));
    EXPECT_EQ(e.vkCode, expected[i].Vk);
    EXPECT_EQ(e.scanCode, expected[i].Scan);
    EXPECT_TRUE(e.flags & LLKHF_EXTENDED);
    EXPECT_EQ((e.flags & LLKHF_UP) != 0, expected[i].Up);
    EXPECT_TRUE(e.flags & LLKHF_INJECTED);
    EXPECT_EQ(e.dwExtraInfo, 0u);
  }
}

TEST(KeyMouseWin, SendCtrlVLeavesNoKeyDown) {
  zez::SendCtrlV();
  EXPECT_TRUE(WaitFor([] { return !(GetAsyncKeyState(VK_CONTROL) & 0x8000); }, 2000));
  EXPECT_FALSE(GetAsyncKeyState('V') & 0x8000);
}

// ---- a paste into another program

void SetClipboardTextHere(const std::string& bytes) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
  ASSERT_NE(block, nullptr);
  std::memcpy(GlobalLock(block), bytes.c_str(), bytes.size() + 1);
  GlobalUnlock(block);
  EXPECT_NE(SetClipboardData(CF_TEXT, block), nullptr);
  CloseClipboard();
}

std::wstring FromAnsi(const std::string& bytes) {
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

// Read through the W message: the A one across processes is unreliable here.
std::wstring WindowText(HWND window) {
  LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  LRESULT got =
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(got));
  return text;
}

class TPasteTarget {
 public:
  explicit TPasteTarget(const std::string& title) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::wstring line = zez::test::HelperCommand(L"pastetarget.exe", title);
    std::wstring wideTitle(title.begin(), title.end());
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &FProcess))
      return;
    WaitFor(
        [&] {
          Top = FindWindowW(L"ZezPasteTarget", wideTitle.c_str());
          if (Top) Edit = FindWindowExW(Top, nullptr, L"Edit", nullptr);
          return Edit != nullptr;
        },
        10000);
  }
  ~TPasteTarget() {
    if (!FProcess.hProcess) return;
    if (Top) PostMessageW(Top, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(FProcess.hProcess, 5000) != WAIT_OBJECT_0)
      TerminateProcess(FProcess.hProcess, 99);
    CloseHandle(FProcess.hThread);
    CloseHandle(FProcess.hProcess);
  }
  // Only once the target's thread holds the focus is the foreground change
  // complete; keys injected before that can reach the old focus.
  bool TakesKeys() const {
    const DWORD thread = GetWindowThreadProcessId(Top, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetForegroundWindow() == Top && GetGUIThreadInfo(thread, &info) &&
           info.hwndFocus == Edit;
  }
  HWND Top = nullptr;
  HWND Edit = nullptr;

 private:
  PROCESS_INFORMATION FProcess{};
};

TEST(KeyMouseWin, EditOfAnotherProgramInFrontPastesTheClipboardText) {
  // GBK text, with a character whose second byte is a backslash, and two lines.
  const std::string text = "\xD5\xB3\xCC\xF9 Zeziduz \xB1\x5C\r\nsecond line";
  SetClipboardTextHere(text);
  TPasteTarget target("zez-paste-target");
  ASSERT_NE(target.Edit, nullptr) << "pastetarget did not come up";
  ASSERT_TRUE(WaitFor(
      [&] {
        if (GetForegroundWindow() != target.Top) SetForegroundWindow(target.Top);
        return target.TakesKeys();
      },
      10000))
      << "pastetarget never took the focus";

  zez::SendCtrlV();

  const std::wstring expected = FromAnsi(text);
  EXPECT_TRUE(WaitFor([&] { return WindowText(target.Edit).size() >= expected.size(); }, 5000));
  Sleep(300);  // a second paste would show now
  EXPECT_EQ(WindowText(target.Edit), expected);
}

}  // namespace
