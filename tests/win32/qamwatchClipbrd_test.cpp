// The watcher in the real viewer chain, beside viewers in other processes.
#include "clipboard/qamwatchClipbrd.h"

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h.
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "WinTestSupport.h"
#include "util/Exception.h"

namespace zez {
namespace {

using test::HelperCommand;
using test::ToHex;

// The questions the viewer helper answers (mirrors helpers/cbviewer.cpp).
constexpr UINT kAskCount = WM_APP + 1;
constexpr UINT kAskFormat = WM_APP + 2;
constexpr UINT kAskNext = WM_APP + 3;
constexpr UINT kAskEarly = WM_APP + 4;
constexpr UINT kLeave = WM_APP + 5;

constexpr DWORD kPatienceMs = 15000;

void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

// Waits for a handle while answering messages sent to this thread: the chain
// forwards notices to our window synchronously from other processes.
bool WaitPumping(HANDLE handle, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    Pump();
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kPatienceMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Pump();
  }
  return true;
}

std::wstring Wide(const std::string& s) {
  return std::wstring(s.begin(), s.end());
}

std::string UniqueName(const char* kind) {
  static int serial = 0;
  return std::string("zez-") + kind + "-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++serial);
}

// A helper program running beside the test, ended in its destructor.
class THelper {
 public:
  THelper(const wchar_t* program, const std::string& arguments) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::wstring line = HelperCommand(program, arguments);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &FProcess)) {
      ADD_FAILURE() << "a helper did not start";
    }
  }
  ~THelper() {
    if (!FProcess.hProcess) return;
    if (!WaitPumping(FProcess.hProcess, kPatienceMs)) {
      ADD_FAILURE() << "a helper did not end";
      TerminateProcess(FProcess.hProcess, 99);
    }
    CloseHandle(FProcess.hThread);
    CloseHandle(FProcess.hProcess);
  }
  THelper(const THelper&) = delete;
  THelper& operator=(const THelper&) = delete;
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(FProcess.hProcess, &code);
    return code;
  }
  HANDLE Process() const { return FProcess.hProcess; }

 private:
  PROCESS_INFORMATION FProcess{};
};

// Runs a helper to its end.
DWORD RunHelper(const wchar_t* program, const std::string& arguments) {
  THelper helper(program, arguments);
  if (!WaitPumping(helper.Process(), kPatienceMs)) return 99;
  return helper.ExitCode();
}

// Another process holding the clipboard open for the length of a scope.
class TClipboardHolder {
 public:
  TClipboardHolder() : FName(UniqueName("holder")) {
    FReady = CreateEventW(nullptr, TRUE, FALSE, Wide(FName + "-ready").c_str());
    FRelease = CreateEventW(nullptr, TRUE, FALSE, Wide(FName + "-release").c_str());
    FHelper = std::make_unique<THelper>(L"clipholder.exe", FName);
    FHolding = WaitPumping(FReady, kPatienceMs);
  }
  ~TClipboardHolder() {
    SetEvent(FRelease);
    FHelper.reset();
    CloseHandle(FReady);
    CloseHandle(FRelease);
  }
  bool Holding() const { return FHolding; }

 private:
  std::string FName;
  HANDLE FReady = nullptr;
  HANDLE FRelease = nullptr;
  std::unique_ptr<THelper> FHelper;
  bool FHolding = false;
};

// A clipboard viewer of the usual kind in another process.
class TViewer {
 public:
  TViewer() : FName(UniqueName("viewer")) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, Wide(FName + "-ready").c_str());
    FHelper = std::make_unique<THelper>(L"cbviewer.exe", FName);
    if (WaitPumping(ready, kPatienceMs)) {
      FWindow = FindWindowW(L"ZezTestViewer", Wide(FName).c_str());
    }
    CloseHandle(ready);
    if (!FWindow) ADD_FAILURE() << "viewer " << FName << " did not join";
  }
  ~TViewer() {
    if (FWindow) PostMessageW(FWindow, WM_CLOSE, 0, 0);
    FHelper.reset();
  }
  HWND Window() const { return FWindow; }
  LRESULT Ask(UINT question) const {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(FWindow, question, 0, 0, SMTO_NORMAL, kPatienceMs, &answer)) {
      ADD_FAILURE() << "viewer " << FName << " did not answer";
      return -1;
    }
    return static_cast<LRESULT>(answer);
  }
  int Notices() const { return static_cast<int>(Ask(kAskCount)); }
  int LastFormat() const { return static_cast<int>(Ask(kAskFormat)); }
  HWND Next() const { return reinterpret_cast<HWND>(Ask(kAskNext)); }
  void Leave() const { Ask(kLeave); }

 private:
  std::string FName;
  std::unique_ptr<THelper> FHelper;
  HWND FWindow = nullptr;
};

// Our side: the window in the chain, as the main window will handle it.
struct TWatcherState {
  TqamwatchClipbrd* Watcher = nullptr;  // what the caller holds once Create returned
  int Notices = 0;                      // notices that reached a watcher
  int Early = 0;                        // of them, inside Create
  TWindowHandle EarlyNext = 1;          // FNextViewer at the early notice
  int Stray = 0;                        // notices with no watcher at all
  int LastFormat = -1;
  ClipText LastText;
};
TWatcherState gState;

LRESULT CALLBACK WatcherProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_DRAWCLIPBOARD && msg != WM_CHANGECBCHAIN) {
    return DefWindowProcW(window, msg, wParam, lParam);
  }
  TqamwatchClipbrd* w = gState.Watcher ? gState.Watcher : TqamwatchClipbrd::Joining();
  if (!w) {
    if (msg == WM_DRAWCLIPBOARD) ++gState.Stray;
    return 0;
  }
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  if (msg == WM_CHANGECBCHAIN) {
    w->ChangeCBChain(m);
    return m.Result;
  }
  if (!gState.Watcher) {
    ++gState.Early;
    gState.EarlyNext = w->FNextViewer;
  }
  ++gState.Notices;
  gState.LastFormat = w->DrawClipboard(m);
  gState.LastText = gState.LastFormat == 1 ? w->GetText() : ClipText();
  return m.Result;
}

HWND MakeWindow(const wchar_t* className, WNDPROC proc) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassW(&wc);
  return CreateWindowExW(0, className, className, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

HGLOBAL Block(const void* bytes, std::size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(block), bytes, size);
  GlobalUnlock(block);
  return block;
}

HGLOBAL SmallDib() {
  struct {
    BITMAPINFOHEADER header;
    DWORD pixels[4];
  } dib{};
  dib.header.biSize = sizeof(BITMAPINFOHEADER);
  dib.header.biWidth = 2;
  dib.header.biHeight = 2;
  dib.header.biPlanes = 1;
  dib.header.biBitCount = 32;
  dib.header.biCompression = BI_RGB;
  return Block(&dib, sizeof(dib));
}

HGLOBAL FileList() {
  const wchar_t files[] = L"C:\\windows\\win.ini\0";
  std::string bytes(sizeof(DROPFILES), '\0');
  DROPFILES header{};
  header.pFiles = sizeof(DROPFILES);
  header.fWide = TRUE;
  std::memcpy(bytes.data(), &header, sizeof(header));
  bytes.append(reinterpret_cast<const char*>(files), sizeof(files));
  return Block(bytes.data(), bytes.size());
}

HANDLE SmallEnhMetafile() {
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  Rectangle(dc, 0, 0, 10, 10);
  return CloseEnhMetaFile(dc);
}

UINT RegisteredFormat() {
  return RegisterClipboardFormatW(L"Zeziduz test format");
}

class WatcherWin : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    FWindow = MakeWindow(L"ZezTestWatcher", WatcherProc);
    FOpener = MakeWindow(L"ZezTestOpener", DefWindowProcW);
    Clipboard().SetOpenerWindow(reinterpret_cast<TWindowHandle>(FOpener));
  }
  static void TearDownTestSuite() {
    DestroyWindow(FWindow);
    DestroyWindow(FOpener);
  }
  void SetUp() override { gState = TWatcherState(); }
  void TearDown() override {
    if (gState.Watcher) Leave();
    EXPECT_EQ(gState.Stray, 0) << "a notice reached our window outside the chain";
    EXPECT_EQ(Clipboard().OpenDepth(), 0);
  }

  static void Join() {
    gState.Watcher = TqamwatchClipbrd::Create(reinterpret_cast<TWindowHandle>(FWindow));
  }
  static void Leave() {
    gState.Watcher->Destroy();
    gState.Watcher = nullptr;
  }
  static HWND Handle(TWindowHandle h) { return reinterpret_cast<HWND>(h); }

  // Puts raw contents on the clipboard, as another part of the desktop would.
  static void PutRaw(const std::vector<std::pair<UINT, HANDLE>>& formats) {
    ASSERT_TRUE(OpenClipboard(FOpener));
    EmptyClipboard();
    for (const auto& [format, data] : formats) EXPECT_NE(SetClipboardData(format, data), nullptr);
    CloseClipboard();
  }

  static inline HWND FWindow = nullptr;
  static inline HWND FOpener = nullptr;
};

TEST_F(WatcherWin, JoiningEmptiesTheClipboardAndAnswersTheEarlyNotice) {
  ASSERT_EQ(RunHelper(L"cliptool.exe", "set-text " + ToHex("before start")), 0u);
  ASSERT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  HWND before = GetClipboardViewer();
  Join();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));  // gone, and not captured
  EXPECT_EQ(GetClipboardViewer(), FWindow);
  EXPECT_EQ(Handle(gState.Watcher->FNextViewer), before);
  EXPECT_EQ(TqamwatchClipbrd::Joining(), nullptr);
  // Wine sends the first notice from inside SetClipboardViewer; our window
  // reached the watcher through Joining(), before Create returned.
  EXPECT_EQ(gState.Early, 1);
  EXPECT_EQ(gState.EarlyNext, 0u);
  EXPECT_EQ(gState.LastFormat, 0);
  std::printf("observed: %d notice(s) inside SetClipboardViewer, viewer before us %p\n",
              gState.Early, static_cast<void*>(before));
  Leave();
  EXPECT_EQ(GetClipboardViewer(), before);
}

TEST_F(WatcherWin, AnotherProcessHoldingTheClipboard) {
  HWND before = GetClipboardViewer();
  {
    TClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    try {
      Join();
      ADD_FAILURE() << "Create did not fail";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "无法打开剪贴板");
    }
    EXPECT_EQ(gState.Watcher, nullptr);
    EXPECT_EQ(TqamwatchClipbrd::Joining(), nullptr);
    EXPECT_EQ(GetClipboardViewer(), before);  // never joined
    EXPECT_EQ(gState.Notices, 0);
  }
  Join();
  Clipboard().WriteClipboardText("held text");
  EXPECT_EQ(gState.LastText, "held text");
  {
    TClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(gState.Watcher->GetText(), "");  // silently
    // A notice now still finds the text, but cannot read it.
    SendMessageW(FWindow, WM_DRAWCLIPBOARD, 0, 0);
    EXPECT_EQ(gState.LastFormat, 1);
    EXPECT_EQ(gState.LastText, "");
  }
  EXPECT_EQ(gState.Watcher->GetText(), "held text");
}

TEST_F(WatcherWin, ProbeAnswersOnTheRealClipboard) {
  Join();
  struct Case {
    const char* name;
    std::function<void()> put;
    int expected;
    std::string text;  // what GetText reads when the answer is 1
  };
  const std::string gbk = "\xD6\xD0\xCE\xC4\r\nab";
  const std::vector<Case> cases = {
      {"text", [] { Clipboard().WriteClipboardText("probe\r\n"); }, 1, "probe\r\n"},
      {"emptied", [] { Clipboard().ClearClipboard(); }, 0, ""},
      {"text from another process",
       [] { EXPECT_EQ(RunHelper(L"cliptool.exe", "set-text " + ToHex("theirs")), 0u); }, 1,
       "theirs"},
      {"text beside a bitmap",
       [] {
         PutRaw({{CF_TEXT, Block("pic\0", 4)}, {CF_BITMAP, CreateBitmap(2, 2, 1, 32, nullptr)}});
       },
       1, "pic"},
      {"unicode text only",
       [] {
         const wchar_t text[] = L"\u4E2D\u6587\r\nab";
         PutRaw({{CF_UNICODETEXT, Block(text, sizeof(text))}});
       },
       1, gbk},
      {"OEM text only",
       [] {
         PutRaw({{CF_OEMTEXT, Block("oem\0", 4)}});
       },
       1, "oem"},
      {"bitmap only",
       [] {
         PutRaw({{CF_BITMAP, CreateBitmap(2, 2, 1, 32, nullptr)}});
       },
       2, ""},
      {"DIB only",
       [] {
         PutRaw({{CF_DIB, SmallDib()}});
       },
       2, ""},
      {"enhanced metafile only",
       [] {
         PutRaw({{CF_ENHMETAFILE, SmallEnhMetafile()}});
       },
       3, ""},
      {"file list only",
       [] {
         PutRaw({{CF_HDROP, FileList()}});
       },
       15, ""},
      {"registered format only",
       [] {
         PutRaw({{RegisteredFormat(), Block("r", 1)}});
       },
       0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int before = gState.Notices;
    c.put();
    ASSERT_TRUE(PumpUntil([&] { return gState.Notices > before; }));
    EXPECT_EQ(gState.Notices, before + 1);
    EXPECT_EQ(gState.LastFormat, c.expected);
    EXPECT_EQ(ToHex(gState.LastText.Ansi()), ToHex(c.text));
    // All of these are texts the code page holds: no second copy.
    EXPECT_FALSE(gState.LastText.HasUnicode());
  }
}

// Our watcher and viewers in other processes, joining and leaving in turn.
// Letters name the members; W is our watcher.
TEST_F(WatcherWin, ChainOfViewersSurvivesEachLeaving) {
  struct Scenario {
    const char* name;
    std::string joins;   // in order of joining; the last one is the head
    std::string leaves;  // in order of leaving
  };
  const std::vector<Scenario> scenarios = {
      {"watcher at the tail leaves first", "WAB", "WBA"},
      {"watcher in the middle leaves in the middle", "AWBC", "CWAB"},
      {"watcher in the middle leaves last", "ABWC", "BCAW"},
      {"watcher at the head leaves first", "ABW", "WAB"},
  };
  // One change of the clipboard per step, with the answer it should give.
  struct Change {
    std::function<void()> put;
    int expected;
  };
  const std::vector<Change> changes = {
      {[] { Clipboard().WriteClipboardText("ours"); }, 1},
      {[] {
         PutRaw({{CF_DIB, SmallDib()}});
       },
       2},
      {[] { EXPECT_EQ(RunHelper(L"cliptool.exe", "set-text 7468656972"), 0u); }, 1},
      {[] {
         PutRaw({{CF_HDROP, FileList()}});
       },
       15},
      {[] {
         PutRaw({{RegisteredFormat(), Block("r", 1)}});
       },
       0},
  };
  std::size_t step = 0;

  for (const auto& s : scenarios) {
    SCOPED_TRACE(s.name);
    gState = TWatcherState();
    std::map<char, std::unique_ptr<TViewer>> viewers;
    std::map<char, int> expectedNotices;
    std::string chain;  // head first
    auto window = [&](char member) {
      return member == 'W' ? FWindow : viewers.at(member)->Window();
    };
    auto notices = [&](char member) {
      return member == 'W' ? gState.Notices : viewers.at(member)->Notices();
    };
    auto lastFormat = [&](char member) {
      return member == 'W' ? gState.LastFormat : viewers.at(member)->LastFormat();
    };
    auto next = [&](char member) {
      return member == 'W' ? Handle(gState.Watcher->FNextViewer) : viewers.at(member)->Next();
    };
    // Every member and former member has had exactly the notices it should.
    auto countsAreRight = [&] {
      for (const auto& [member, count] : expectedNotices) {
        if (notices(member) != count) return false;
      }
      return true;
    };
    auto check = [&](const std::string& when) {
      SCOPED_TRACE(when + ", chain " + chain);
      if (chain.empty()) return;
      EXPECT_EQ(GetClipboardViewer(), window(chain.front()));
      for (std::size_t i = 0; i < chain.size(); ++i) {
        HWND expectedNext = i + 1 < chain.size() ? window(chain[i + 1]) : nullptr;
        EXPECT_EQ(next(chain[i]), expectedNext) << "next viewer of " << chain[i];
      }
      const Change& change = changes[step++ % changes.size()];
      for (char member : chain) ++expectedNotices[member];
      change.put();
      EXPECT_TRUE(PumpUntil(countsAreRight)) << "not every viewer had the notice";
      for (const auto& [member, count] : expectedNotices) {
        EXPECT_EQ(notices(member), count) << "notices of " << member;
      }
      for (char member : chain) {
        EXPECT_EQ(lastFormat(member), change.expected) << "answer of " << member;
      }
    };

    for (char member : s.joins) {
      if (member == 'W') {
        // Its emptying of the clipboard reaches the viewers already there.
        for (char other : chain) ++expectedNotices[other];
        Join();
      } else {
        viewers[member] = std::make_unique<TViewer>();
        ASSERT_NE(viewers[member]->Window(), nullptr);
        EXPECT_EQ(viewers[member]->Ask(kAskEarly), 1) << "no notice inside SetClipboardViewer";
      }
      // The joiner's first notice comes from inside SetClipboardViewer and is
      // not forwarded, since its next viewer is not known yet.
      ++expectedNotices[member];
      chain.insert(chain.begin(), member);
      EXPECT_TRUE(PumpUntil(countsAreRight, 2000)) << "after " << member << " joined";
      check(std::string("after ") + member + " joined");
    }
    for (char member : s.leaves) {
      if (member == 'W') {
        Leave();
      } else {
        viewers.at(member)->Leave();
      }
      chain.erase(chain.find(member), 1);
      check(std::string("after ") + member + " left");
    }
    EXPECT_EQ(GetClipboardViewer(), nullptr);
    viewers.clear();  // they close and end
  }
}

}  // namespace
}  // namespace zez
