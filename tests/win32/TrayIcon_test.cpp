// The tray icon component on a real desktop: its calls to the shell, the
// shell's mouse reports on its hidden window, and "TaskbarCreated".
#include "ui/TrayIcon.h"

#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "util/Exception.h"

namespace zez {

// Readable buttons in failure messages.
void PrintTo(TMouseButton button, std::ostream* out) {
  static const char* const names[] = {"mbLeft", "mbRight", "mbMiddle"};
  *out << names[static_cast<int>(button)];
}

namespace {

// "多次复制剪贴板" as UTF-8 and in code page 936.
const std::string kHint =
    "\xE5\xA4\x9A\xE6\xAC\xA1\xE5\xA4\x8D\xE5\x88\xB6\xE5\x89\xAA\xE8\xB4\xB4\xE6\x9D\xBF";
const std::string kHintGbk = "\xB6\xE0\xB4\xCE\xB8\xB4\xD6\xC6\xBC\xF4\xCC\xF9\xB0\xE5";

struct TCall {
  TTrayCall Call;
  TTrayRequest Request;
  bool Answer;
};

// Records every request; passes it on to the real shell when asked to.
struct TShellLog {
  std::vector<TCall> Calls;
  bool ToSystem = false;
  bool RefuseAdd = false;

  TTrayShell Shell() {
    return [this](TTrayCall call, const TTrayRequest& request) {
      bool answer = true;
      if (call == TTrayCall::Add && RefuseAdd) {
        answer = false;
      } else if (ToSystem) {
        answer = TRxTrayIcon::SystemShell(call, request);
      }
      Calls.push_back({call, request, answer});
      return answer;
    };
  }
  std::vector<TTrayCall> Kinds() const {
    std::vector<TTrayCall> kinds;
    for (const auto& c : Calls) kinds.push_back(c.Call);
    return kinds;
  }
};

using K = TTrayCall;

// The picture: the program's own icon, read from Zeziduz.exe beside the test.
class TrayIconTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HMODULE program = LoadLibraryExW(zez::test::BesideMe(L"Zeziduz.exe").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE);
    if (program) {
      FIcon = static_cast<HICON>(LoadImageW(program, L"MAINICON", IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON),
                                            GetSystemMetrics(SM_CYICON), 0));
      FreeLibrary(program);
    }
  }
  static void TearDownTestSuite() {
    if (FIcon) DestroyIcon(FIcon);
    FIcon = nullptr;
  }
  void SetUp() override { ASSERT_NE(FIcon, nullptr); }
  void TearDown() override { TRxTrayIcon::OnException = nullptr; }

  static TIconHandle Icon() { return reinterpret_cast<TIconHandle>(FIcon); }

  // What the form does while it loads, up to its complete loading.
  std::unique_ptr<TRxTrayIcon> MakeLoaded(TShellLog& log) {
    auto tray = std::make_unique<TRxTrayIcon>(log.Shell());
    tray->SetHint(kHint);
    tray->SetIcon(Icon());
    tray->Loaded();
    log.Calls.clear();
    return tray;
  }

  static void Report(const TRxTrayIcon& tray, UINT mouseMessage) {
    SendMessageW(reinterpret_cast<HWND>(tray.Handle()), TRxTrayIcon::kCallbackMessage,
                 TRxTrayIcon::kIconId, mouseMessage);
  }

  static HICON FIcon;
};
HICON TrayIconTest::FIcon = nullptr;

// Whether the shell holds an icon of this window: only an existing icon can be modified.
bool ShellHasIcon(TWindowHandle window) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = reinterpret_cast<HWND>(window);
  data.uID = TRxTrayIcon::kIconId;
  data.uFlags = NIF_TIP;
  lstrcpyA(data.szTip, "probe");
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

void BroadcastTaskbarCreated() {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0,
                      SMTO_ABORTIFHUNG, 5000, &ignored);
}

TEST_F(TrayIconTest, AddedOnceItHasItsPictureAndAgainWhenLoaded) {
  TShellLog log;
  auto tray = std::make_unique<TRxTrayIcon>(log.Shell());
  tray->SetHint(kHint);
  EXPECT_TRUE(log.Calls.empty()) << "no picture yet";
  tray->SetIcon(Icon());
  ASSERT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Add}));
  const TTrayRequest& add = log.Calls[0].Request;
  EXPECT_EQ(add.Window, tray->Handle());
  EXPECT_EQ(add.Id, TRxTrayIcon::kIconId);
  EXPECT_EQ(add.CallbackMessage, TRxTrayIcon::kCallbackMessage);
  EXPECT_EQ(add.Icon, Icon());
  EXPECT_EQ(add.Tip, kHintGbk);
  // The callback window is never shown.
  EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(tray->Handle())));

  tray->Loaded();
  EXPECT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Add, K::Delete, K::Add}));
  EXPECT_EQ(log.Calls.back().Request.Tip, kHintGbk);

  log.Calls.clear();
  TWindowHandle window = tray->Handle();
  tray.reset();
  ASSERT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Delete}));
  EXPECT_EQ(log.Calls[0].Request.Window, window);
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(window)));
}

TEST_F(TrayIconTest, ActiveDecidesWhetherTheIconIsThere) {
  TShellLog log;
  {
    TRxTrayIcon tray(log.Shell());
    tray.SetActive(false);
    tray.SetIcon(Icon());
    tray.Loaded();
    EXPECT_TRUE(log.Calls.empty());
    tray.SetActive(true);
    EXPECT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Add}));
    tray.SetActive(false);
    EXPECT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Add, K::Delete}));
    log.Calls.clear();
  }
  EXPECT_TRUE(log.Calls.empty()) << "an inactive icon has nothing to remove";
}

TEST_F(TrayIconTest, HintChangeOfAShownIconModifiesIt) {
  TShellLog log;
  auto tray = MakeLoaded(log);
  tray->SetHint("first|second");
  ASSERT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Modify}));
  EXPECT_EQ(log.Calls[0].Request.Tip, "first");
}

TEST_F(TrayIconTest, TaskbarCreatedRemovesAndAddsTheIcon) {
  TShellLog log;
  auto tray = MakeLoaded(log);
  BroadcastTaskbarCreated();
  ASSERT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Delete, K::Add}));
  EXPECT_EQ(log.Calls[1].Request.Tip, kHintGbk);
  EXPECT_EQ(log.Calls[1].Request.Icon, Icon());
}

TEST_F(TrayIconTest, ARefusedAddIsSilentAndTheNextTaskbarAddsTheIcon) {
  TShellLog log;
  log.RefuseAdd = true;
  TRxTrayIcon tray(log.Shell());
  tray.SetHint(kHint);
  tray.SetIcon(Icon());
  tray.Loaded();
  EXPECT_FALSE(tray.Shown());
  log.RefuseAdd = false;
  log.Calls.clear();
  BroadcastTaskbarCreated();
  EXPECT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Delete, K::Add}));
  EXPECT_TRUE(tray.Shown());
}

// The real shell of the bench: its answers show whether the icon is there.
TEST_F(TrayIconTest, TheShellHoldsTheIconFromAddUntilDestruction) {
  TShellLog log;
  log.ToSystem = true;
  auto tray = std::make_unique<TRxTrayIcon>(log.Shell());
  TWindowHandle window = tray->Handle();
  EXPECT_FALSE(ShellHasIcon(window));
  tray->SetHint(kHint);
  tray->SetIcon(Icon());
  ASSERT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Add}));
  EXPECT_TRUE(log.Calls[0].Answer) << "the shell refused the icon";
  EXPECT_TRUE(ShellHasIcon(window));
  // Adding an icon that exists fails: adding again has to delete first.
  EXPECT_FALSE(TRxTrayIcon::SystemShell(TTrayCall::Add, log.Calls[0].Request));

  tray->Loaded();
  ASSERT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Add, K::Delete, K::Add}));
  EXPECT_TRUE(log.Calls[1].Answer);
  EXPECT_TRUE(log.Calls[2].Answer);
  EXPECT_TRUE(ShellHasIcon(window));

  log.Calls.clear();
  BroadcastTaskbarCreated();
  ASSERT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Delete, K::Add}));
  EXPECT_TRUE(log.Calls[0].Answer);
  EXPECT_TRUE(log.Calls[1].Answer);
  EXPECT_TRUE(ShellHasIcon(window));

  log.Calls.clear();
  tray.reset();
  ASSERT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Delete}));
  EXPECT_TRUE(log.Calls[0].Answer);
  EXPECT_FALSE(ShellHasIcon(window));
}

struct TClickCase {
  const char* Name;
  std::vector<UINT> Reports;
  std::vector<TMouseButton> Clicks;
};

TEST_F(TrayIconTest, ShellMouseReportsFollowTheClickRule) {
  const auto L = TMouseButton::mbLeft;
  const auto R = TMouseButton::mbRight;
  const std::vector<TClickCase> cases = {
      {"left click", {WM_LBUTTONDOWN, WM_LBUTTONUP}, {L}},
      {"right click", {WM_RBUTTONDOWN, WM_RBUTTONUP}, {R}},
      {"middle click", {WM_MBUTTONDOWN, WM_MBUTTONUP}, {}},
      {"left double click", {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}, {L}},
      {"press elsewhere", {WM_MOUSEMOVE, WM_LBUTTONUP}, {}},
      {"right press elsewhere", {WM_RBUTTONUP}, {}},
      {"moves between press and release", {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}, {L}},
      {"another button's release", {WM_LBUTTONDOWN, WM_RBUTTONUP}, {}},
  };
  SetCursorPos(123, 45);
  POINT at{};
  GetCursorPos(&at);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TShellLog log;
    auto tray = MakeLoaded(log);
    std::vector<TMouseButton> clicks;
    tray->OnClick = [&](TRxTrayIcon* sender, TMouseButton button, TShiftState shift, int x, int y) {
      EXPECT_EQ(sender, tray.get());
      EXPECT_EQ(shift, 0u);
      EXPECT_EQ(x, at.x);
      EXPECT_EQ(y, at.y);
      clicks.push_back(button);
    };
    for (UINT report : c.Reports) Report(*tray, report);
    EXPECT_EQ(clicks, c.Clicks);
    EXPECT_TRUE(log.Calls.empty()) << "clicks leave the icon alone";
  }
}

void Pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  MSG msg;
  for (;;) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    DWORD now = GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
  }
}

// The shell says nothing when a press over the icon is released elsewhere; the
// component notices the button is up and forgets the press.
TEST_F(TrayIconTest, APressReleasedElsewhereIsForgotten) {
  TShellLog log;
  auto tray = MakeLoaded(log);
  int clicks = 0;
  tray->OnClick = [&](TRxTrayIcon*, TMouseButton, TShiftState, int, int) { ++clicks; };
  ASSERT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0) << "no button is held on the bench";
  Report(*tray, WM_LBUTTONDOWN);
  Pump(500);
  Report(*tray, WM_LBUTTONUP);
  EXPECT_EQ(clicks, 0);
  Report(*tray, WM_LBUTTONDOWN);
  Pump(30);  // a click's release arrives well inside the grace
  Report(*tray, WM_LBUTTONUP);
  EXPECT_EQ(clicks, 1);
}

TEST_F(TrayIconTest, ReportsOfAnotherIconIdOrWhileDisabledAreIgnored) {
  TShellLog log;
  auto tray = MakeLoaded(log);
  int clicks = 0;
  tray->OnClick = [&](TRxTrayIcon*, TMouseButton, TShiftState, int, int) { ++clicks; };
  HWND window = reinterpret_cast<HWND>(tray->Handle());
  SendMessageW(window, TRxTrayIcon::kCallbackMessage, TRxTrayIcon::kIconId + 1, WM_LBUTTONDOWN);
  SendMessageW(window, TRxTrayIcon::kCallbackMessage, TRxTrayIcon::kIconId + 1, WM_LBUTTONUP);
  EXPECT_EQ(clicks, 0);
  tray->SetEnabled(false);
  Report(*tray, WM_LBUTTONDOWN);
  Report(*tray, WM_LBUTTONUP);
  EXPECT_EQ(clicks, 0);
  // A press made while disabled is not half of a click afterwards.
  Report(*tray, WM_LBUTTONDOWN);
  tray->SetEnabled(true);
  Report(*tray, WM_LBUTTONUP);
  EXPECT_EQ(clicks, 0);
  Report(*tray, WM_LBUTTONDOWN);
  Report(*tray, WM_LBUTTONUP);
  EXPECT_EQ(clicks, 1);
}

TEST_F(TrayIconTest, AnErrorInTheClickHandlerGoesToTheSinkAndTheIconKeepsWorking) {
  std::vector<std::string> errors;
  TRxTrayIcon::OnException = [&](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const Exception& e) {
      errors.push_back(e.Message());
    }
  };
  TShellLog log;
  auto tray = MakeLoaded(log);
  int clicks = 0;
  tray->OnClick = [&](TRxTrayIcon*, TMouseButton, TShiftState, int, int) {
    if (++clicks == 1) throw Exception("handler failed");
  };
  Report(*tray, WM_LBUTTONDOWN);
  Report(*tray, WM_LBUTTONUP);
  ASSERT_EQ(errors, (std::vector<std::string>{"handler failed"}));
  Report(*tray, WM_RBUTTONDOWN);
  Report(*tray, WM_RBUTTONUP);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(errors.size(), 1u);
  BroadcastTaskbarCreated();
  EXPECT_EQ(log.Kinds(), (std::vector<TTrayCall>{K::Delete, K::Add}));
}

TEST_F(TrayIconTest, AnErrorOfTheShellDuringTaskbarCreatedGoesToTheSink) {
  int errors = 0;
  TRxTrayIcon::OnException = [&](std::exception_ptr) { ++errors; };
  bool fail = false;
  TRxTrayIcon tray([&](TTrayCall, const TTrayRequest&) {
    if (fail) throw std::runtime_error("shell seam failed");
    return true;
  });
  tray.SetIcon(Icon());
  fail = true;
  BroadcastTaskbarCreated();
  EXPECT_EQ(errors, 1);
  fail = false;
}

// Real clicks on Wine's own "Wine System Tray" window (shown when no X tray
// exists), injected as input, so the shell itself sends the reports.
HWND WineSystemTray() {
  HWND tray = FindWindowW(nullptr, L"Wine System Tray");
  return tray && IsWindowVisible(tray) ? tray : nullptr;
}

void Mouse(DWORD flags, int x = -1, int y = -1) {
  if (x >= 0) SetCursorPos(x, y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
  Pump(150);
}

TEST_F(TrayIconTest, RealClicksOnTheIconInWinesSystemTray) {
  TShellLog log;
  log.ToSystem = true;
  auto tray = MakeLoaded(log);
  ASSERT_TRUE(tray->Shown());
  Pump(300);
  HWND shell = WineSystemTray();
  if (!shell) GTEST_SKIP() << "no visible Wine System Tray on this desktop";
  // Our icon is the only one: the first slot, at the client area's top left.
  POINT icon{GetSystemMetrics(SM_CXSMICON) / 2 + 2, GetSystemMetrics(SM_CYSMICON) / 2 + 2};
  ClientToScreen(shell, &icon);
  RECT shellRect{};
  GetWindowRect(shell, &shellRect);
  const POINT away{shellRect.right + 200, shellRect.bottom + 200};

  std::vector<TMouseButton> clicks;
  tray->OnClick = [&](TRxTrayIcon*, TMouseButton button, TShiftState, int, int) {
    clicks.push_back(button);
  };
  const auto L = TMouseButton::mbLeft;
  const auto R = TMouseButton::mbRight;

  Mouse(MOUSEEVENTF_LEFTDOWN, icon.x, icon.y);
  Mouse(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(clicks, (std::vector<TMouseButton>{L})) << "left click";
  Pump(600);  // no double click with the next one

  Mouse(MOUSEEVENTF_RIGHTDOWN);
  Mouse(MOUSEEVENTF_RIGHTUP);
  EXPECT_EQ(clicks, (std::vector<TMouseButton>{L, R})) << "right click";

  Mouse(MOUSEEVENTF_MIDDLEDOWN);
  Mouse(MOUSEEVENTF_MIDDLEUP);
  EXPECT_EQ(clicks, (std::vector<TMouseButton>{L, R})) << "middle click";
  Pump(600);

  // Pressed over the icon, released elsewhere; then pressed elsewhere and
  // released over the icon: neither is a click.
  Mouse(MOUSEEVENTF_LEFTDOWN, icon.x, icon.y);
  Mouse(MOUSEEVENTF_MOVE, away.x, away.y);
  Mouse(MOUSEEVENTF_LEFTUP);
  Pump(300);
  Mouse(MOUSEEVENTF_LEFTDOWN, away.x, away.y);
  Mouse(MOUSEEVENTF_MOVE, icon.x, icon.y);
  Mouse(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(clicks, (std::vector<TMouseButton>{L, R})) << "presses and releases apart";
  Pump(600);

  // A double click: one click.
  SetCursorPos(icon.x, icon.y);
  for (int i = 0; i < 2; ++i) {
    INPUT press[2]{};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, press, sizeof press[0]);
    Pump(40);
  }
  Pump(300);
  EXPECT_EQ(clicks, (std::vector<TMouseButton>{L, R, L})) << "double click";
}

}  // namespace
}  // namespace zez
