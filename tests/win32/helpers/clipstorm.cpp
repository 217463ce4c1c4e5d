// Other programs at full speed, for the reliability tests: a fast copier, the
// conductor of a churning viewer chain, a holder that grabs the clipboard at
// random moments during copies and pastes, a checker that pastes every row of
// Zeziduz into a window of its own, raw clipboard blocks of exact sizes, and
// a process's resource counts. Every verb prints one JSON object.
//   clipstorm copies PREFIX FIRST COUNT GAPMS [LISTBOX]
//       COUNT copies of PREFIX followed by a 5-digit number from FIRST, GAPMS
//       apart; with LISTBOX (a list box of another process) each copy waits,
//       at most 2 s, until that list box has one more row.
//   clipstorm churn SEED COPIES GAPMS PREFIX NAME,NAME,...
//       COPIES copies PREFIX%04d at a fixed pace while the named cbviewer
//       windows join and leave the chain in a seeded random order; reports
//       each viewer's stays in the chain with the notices expected and seen.
//   clipstorm contend SEED COPIES PASTES GAPMS PREFIX LISTBOX BUTTON [HOLDPID]
//       copies PREFIX%04d while a second thread holds the clipboard open for
//       10-200 ms at random moments, and PASTES times asks Zeziduz's paste
//       button (BUTTON) for a random row into a window of its own; every box
//       Zeziduz shows is dismissed. Then pastes every row once, unhindered.
//   clipstorm pastes SEED COUNT LISTBOX BUTTON
//       COUNT pastes of random rows into its own window, each checked.
//   clipstorm put FORMAT HEX                  a block of exactly those bytes
//   clipstorm put-fill FORMAT SIZE FILLHEX [TAILHEX]
//       a block of SIZE bytes: FILLHEX repeated, TAILHEX over its end
//   clipstorm procstat WINPID                 handles, USER and GDI objects
//   clipstorm loop BUTTON MS
//       whether the message loop of BUTTON's thread runs: posts BM_SETSTATE
//       and waits at most MS for the button to show it (a sent question is
//       answered even by a thread that waits inside SendMessage; a posted
//       message only by a running loop).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "WinTestSupport.h"

namespace {

using zez::test::FromHex;
using zez::test::ToHex;

// ---- time and output --------------------------------------------------------

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string Num(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.1f", value);
  return buffer;
}

std::string Quoted(const std::string& ascii) {
  std::string out = "\"";
  for (char c : ascii) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string Join(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
  return out + "]";
}

int Emit(const std::string& json, int status = 0) {
  std::fputs(json.c_str(), stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
  return status;
}

// ---- messages and waiting -----------------------------------------------------

void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

// Sleeps until the given moment while answering messages sent to this thread.
void PumpUntil(double whenMs) {
  for (;;) {
    Pump();
    double left = whenMs - NowMs();
    if (left <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 1 ? 1 : left),
                              QS_ALLINPUT);
  }
}

bool Ask(HWND window, UINT msg, WPARAM w, LPARAM l, LRESULT* result, UINT timeoutMs = 5000) {
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(window, msg, w, l, SMTO_NORMAL, timeoutMs, &r)) return false;
  *result = static_cast<LRESULT>(r);
  return true;
}

// ---- the clipboard --------------------------------------------------------------

// Opens the clipboard, trying for up to timeoutMs while answering messages.
bool OpenWithin(DWORD timeoutMs, HWND owner = nullptr) {
  double until = NowMs() + timeoutMs;
  for (;;) {
    if (OpenClipboard(owner)) return true;
    if (NowMs() >= until) return false;
    PumpUntil(NowMs() + 2);
  }
}

// Puts a block of exactly these bytes on the open clipboard.
bool PutBlock(UINT format, const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return false;
  if (!bytes.empty()) {
    char* p = static_cast<char*>(GlobalLock(block));
    if (!p) {
      GlobalFree(block);
      return false;
    }
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(block);
  }
  if (!SetClipboardData(format, block)) {
    GlobalFree(block);
    return false;
  }
  return true;
}

// One copy as another program makes it: the text and its zero as CF_TEXT.
// The times bracket the opening; false when the clipboard stayed busy.
bool Copy(const std::string& text, double* openedMs, double* closedMs, DWORD timeoutMs = 1500) {
  if (!OpenWithin(timeoutMs)) return false;
  *openedMs = NowMs();
  EmptyClipboard();
  bool put = PutBlock(CF_TEXT, text + '\0');
  CloseClipboard();
  *closedMs = NowMs();
  return put;
}

std::string Numbered(const std::string& prefix, long number, int digits) {
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%0*ld", digits, number);
  return prefix + buffer;
}

HWND HwndArg(const char* text) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(text, nullptr, 0)));
}

LRESULT RowCount(HWND listBox) {
  LRESULT count = -1;
  if (!Ask(listBox, LB_GETCOUNT, 0, 0, &count)) return -1;
  return count;
}

// A row of another process's list box, read with the wide messages, as ANSI.
std::string RowText(HWND listBox, int row) {
  LRESULT length = 0;
  if (!Ask(listBox, LB_GETTEXTLEN, row, 0, &length) || length < 0) return "";
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  LRESULT got = 0;
  if (!Ask(listBox, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()), &got) || got < 0) {
    return "";
  }
  text.resize(static_cast<std::size_t>(got));
  int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), size,
                      nullptr, nullptr);
  return ansi;
}

// ---- copies -----------------------------------------------------------------------

int Copies(int argc, char** argv) {
  if (argc < 6) return 2;
  std::string prefix = argv[2];
  long first = std::atol(argv[3]);
  long count = std::atol(argv[4]);
  double gap = std::atof(argv[5]);
  HWND listBox = argc > 6 ? HwndArg(argv[6]) : nullptr;
  long made = 0, failed = 0, ackTimeouts = 0;
  double start = NowMs();
  double next = start;
  LRESULT rows = listBox ? RowCount(listBox) : 0;
  for (long i = 0; i < count; ++i) {
    PumpUntil(next);
    double opened = 0, closed = 0;
    if (!Copy(Numbered(prefix, first + i, 5), &opened, &closed)) {
      ++failed;
      continue;
    }
    ++made;
    next = closed + gap;
    if (listBox) {
      double until = NowMs() + 2000;
      while (RowCount(listBox) < rows + 1 && NowMs() < until) PumpUntil(NowMs() + 1);
      LRESULT now = RowCount(listBox);
      if (now < rows + 1) ++ackTimeouts;
      rows = now;
    }
  }
  return Emit("{\"made\": " + std::to_string(made) + ", \"failed\": " + std::to_string(failed) +
                  ", \"ack_timeouts\": " + std::to_string(ackTimeouts) +
                  ", \"ms\": " + Num(NowMs() - start) + "}",
              failed ? 1 : 0);
}

// ---- the churning chain -----------------------------------------------------------

// The cbviewer protocol (see cbviewer.cpp).
constexpr UINT kViewerLeave = WM_APP + 5;
constexpr UINT kViewerJoin = WM_APP + 6;
constexpr UINT kViewerSince = WM_APP + 7;
constexpr UINT kViewerSeen = WM_APP + 8;
constexpr UINT kViewerInChain = WM_APP + 10;

struct TStay {
  long FromCopy = 0;  // the first copy made while in
  long ToCopy = 0;    // one past the last
  long Seen = -1;
  std::vector<DWORD> SeenSequence;
};

struct TViewer {
  std::string Name;
  HWND Window = nullptr;
  bool In = false;
  std::vector<TStay> Stays;
};

long SinceJoin(HWND viewer) {
  LRESULT n = -1;
  return Ask(viewer, kViewerSince, 0, 0, &n) ? static_cast<long>(n) : -1;
}

// Waits, at most timeoutMs, until the viewer has seen `expected` notices.
long WaitSeen(HWND viewer, long expected, double timeoutMs) {
  double until = NowMs() + timeoutMs;
  for (;;) {
    long seen = SinceJoin(viewer);
    if (seen >= expected || NowMs() >= until) return seen;
    PumpUntil(NowMs() + 2);
  }
}

void CloseStay(TViewer& viewer, long copies, std::vector<DWORD>* copySequence) {
  TStay& stay = viewer.Stays.back();
  stay.ToCopy = copies;
  stay.Seen = WaitSeen(viewer.Window, stay.ToCopy - stay.FromCopy, 3000);
  if (stay.Seen != stay.ToCopy - stay.FromCopy) {
    // Which ones: the sequence numbers it saw, to set beside the copies'.
    for (long i = 0; i < stay.Seen && i < 1000; ++i) {
      LRESULT s = -1;
      Ask(viewer.Window, kViewerSeen, static_cast<WPARAM>(i), 0, &s);
      stay.SeenSequence.push_back(static_cast<DWORD>(s));
    }
    (void)copySequence;
  }
}

int Churn(int argc, char** argv) {
  if (argc < 7) return 2;
  std::mt19937 random(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 0)));
  long copies = std::atol(argv[3]);
  double gap = std::atof(argv[4]);
  std::string prefix = argv[5];
  std::vector<TViewer> viewers;
  std::stringstream names(argv[6]);
  for (std::string name; std::getline(names, name, ',');) {
    TViewer v;
    v.Name = name;
    v.Window = FindWindowW(L"ZezTestViewer", std::wstring(name.begin(), name.end()).c_str());
    if (!v.Window) return Emit("{\"error\": \"no viewer " + name + "\"}", 3);
    LRESULT in = 0;
    Ask(v.Window, kViewerInChain, 0, 0, &in);
    v.In = in != 0;
    viewers.push_back(v);
  }
  for (TViewer& v : viewers) {
    if (!v.In) continue;
    LRESULT ok = 0;
    Ask(v.Window, kViewerJoin, 0, 0, &ok);  // in already: starts a new count
    v.Stays.push_back({0, 0, -1, {}});
  }
  std::vector<DWORD> copySequence;
  std::vector<std::string> ops;
  long failed = 0, joins = 0, leaves = 0;
  double start = NowMs();
  double maxLag = 0, waitedMs = 0;
  double next = start;
  long made = 0;
  for (long k = 0; k < copies; ++k) {
    PumpUntil(next);
    maxLag = std::max(maxLag, NowMs() - next);
    double opened = 0, closed = 0;
    if (!Copy(Numbered(prefix, made, 4), &opened, &closed)) {
      ++failed;
      continue;
    }
    ++made;
    copySequence.push_back(GetClipboardSequenceNumber());
    next = start + static_cast<double>(k + 1) * gap;
    // About one change of the chain every four copies.
    if (random() % 4 != 0) continue;
    TViewer& v = viewers[random() % viewers.size()];
    LRESULT ok = 0;
    if (v.In) {
      // It leaves once it has seen the copies made so far, so that the ones
      // still on their way are not counted against it.
      double before = NowMs();
      CloseStay(v, made, &copySequence);
      waitedMs += NowMs() - before;
      Ask(v.Window, kViewerLeave, 0, 0, &ok);
      v.In = false;
      ++leaves;
      ops.push_back("\"-" + v.Name + "@" + std::to_string(made) + "\"");
    } else {
      Ask(v.Window, kViewerJoin, 0, 0, &ok);
      v.In = true;
      v.Stays.push_back({made, 0, -1, {}});
      ++joins;
      ops.push_back("\"+" + v.Name + "@" + std::to_string(made) + "\"");
    }
  }
  double copyingMs = NowMs() - start;
  for (TViewer& v : viewers) {
    if (v.In) CloseStay(v, made, &copySequence);
  }
  long bad = 0;
  std::vector<std::string> viewerJson;
  for (TViewer& v : viewers) {
    std::vector<std::string> stays;
    for (const TStay& s : v.Stays) {
      bool good = s.Seen == s.ToCopy - s.FromCopy;
      if (!good) ++bad;
      std::string stay = "{\"from\": " + std::to_string(s.FromCopy) +
                         ", \"to\": " + std::to_string(s.ToCopy) +
                         ", \"expected\": " + std::to_string(s.ToCopy - s.FromCopy) +
                         ", \"seen\": " + std::to_string(s.Seen);
      if (!good) {
        std::vector<std::string> seen, wanted;
        for (DWORD q : s.SeenSequence) seen.push_back(std::to_string(q));
        for (long i = s.FromCopy; i < s.ToCopy && i < static_cast<long>(copySequence.size()); ++i) {
          wanted.push_back(std::to_string(copySequence[static_cast<std::size_t>(i)]));
        }
        stay += ", \"seen_sequence\": " + Join(seen) + ", \"copy_sequence\": " + Join(wanted);
      }
      stays.push_back(stay + "}");
    }
    viewerJson.push_back("{\"name\": " + Quoted(v.Name) + ", \"in\": " + (v.In ? "true" : "false") +
                         ", \"stays\": " + Join(stays) + "}");
  }
  return Emit(
      "{\"made\": " + std::to_string(made) + ", \"failed\": " + std::to_string(failed) +
          ", \"joins\": " + std::to_string(joins) + ", \"leaves\": " + std::to_string(leaves) +
          ", \"bad_stays\": " + std::to_string(bad) + ", \"copying_ms\": " + Num(copyingMs) +
          ", \"max_lag_ms\": " + Num(maxLag) + ", \"waited_before_leaves_ms\": " + Num(waitedMs) +
          ", \"ops\": " + Join(ops) + ", \"viewers\": " + Join(viewerJson) + "}",
      0);
}

// ---- a window of our own to paste into ---------------------------------------------

HWND gEdit = nullptr;
WNDPROC gEditProc = nullptr;
std::vector<std::pair<double, double>>* gPasteOpenings = nullptr;

// The edit opens the clipboard while it pastes: those are openings too.
LRESULT CALLBACK EditProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PASTE && gPasteOpenings) {
    double from = NowMs();
    LRESULT r = CallWindowProcW(gEditProc, window, msg, wParam, lParam);
    gPasteOpenings->push_back({from, NowMs()});
    return r;
  }
  return CallWindowProcW(gEditProc, window, msg, wParam, lParam);
}

LRESULT CALLBACK TargetProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SETFOCUS && gEdit) {
    SetFocus(gEdit);
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

// A window in front with a focused edit, left there for Zeziduz's timer to
// take as the window the user works in.
HWND MakeTarget() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"ZezStormTarget";
  RegisterClassW(&wc);
  HWND top = CreateWindowExW(0, wc.lpszClassName, L"storm target", WS_OVERLAPPEDWINDOW, 40, 40, 400,
                             300, nullptr, nullptr, instance, nullptr);
  gEdit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, 0,
                          0, 400, 300, top, nullptr, instance, nullptr);
  gEditProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(gEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
  ShowWindow(top, SW_SHOWNORMAL);
  SetForegroundWindow(top);
  SetFocus(gEdit);
  PumpUntil(NowMs() + 400);  // a few ticks of Zeziduz's 100 ms timer
  return top;
}

std::string EditText() {
  int length = GetWindowTextLengthA(gEdit);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  int got = GetWindowTextA(gEdit, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
  return text;
}

struct TFindBox {
  DWORD Pid;
  HWND Found;
};

// A named callback: the 32-bit build needs the stdcall convention.
BOOL CALLBACK FindBoxProc(HWND w, LPARAM l) {
  auto* f = reinterpret_cast<TFindBox*>(l);
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  if (owner == f->Pid && std::wcscmp(cls, L"#32770") == 0 && IsWindowVisible(w)) {
    f->Found = w;
    return FALSE;
  }
  return TRUE;
}

// Zeziduz's error box, if one is shown.
HWND FindBox(DWORD pid) {
  TFindBox find{pid, nullptr};
  EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

std::string BoxText(HWND box) {
  std::string all;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    GetClassNameW(c, cls, 16);
    if (_wcsicmp(cls, L"Static") != 0) continue;
    wchar_t text[256] = {};
    GetWindowTextW(c, text, 256);
    char utf8[768] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
    all += utf8;
  }
  return all;
}

enum class TPasteEnd { Landed, Box, Nothing };

struct TPaste {
  int Row = 0;
  std::string Label;
  std::string Pasted;
  TPasteEnd End = TPasteEnd::Nothing;
  std::string BoxText;
  double FromMs = 0, ToMs = 0;
};

// Selects the row, asks for "粘  贴" as a click would, and waits for the text
// to land in our edit or for Zeziduz's box, which it dismisses.
// Our window in front with the edit focused, and long enough for Zeziduz's
// 100 ms timer to take it as the paste target. A box that has just gone gives
// the activation back to Zeziduz, so this is checked before every paste.
void TakeForeground() {
  HWND top = GetAncestor(gEdit, GA_ROOT);
  if (GetForegroundWindow() == top) return;
  double until = NowMs() + 2000;
  while (GetForegroundWindow() != top && NowMs() < until) {
    SetForegroundWindow(top);
    PumpUntil(NowMs() + 20);
  }
  SetFocus(gEdit);
  PumpUntil(NowMs() + 250);
}

TPaste PasteRow(HWND listBox, HWND button, DWORD pid, int row, DWORD timeoutMs) {
  TakeForeground();
  TPaste paste;
  paste.Row = row;
  paste.Label = RowText(listBox, row);
  SetWindowTextW(gEdit, L"");
  LRESULT r = 0;
  Ask(listBox, LB_SETCURSEL, static_cast<WPARAM>(row), 0, &r);
  paste.FromMs = NowMs();
  PostMessageW(button, BM_CLICK, 0, 0);
  double until = NowMs() + timeoutMs;
  for (;;) {
    PumpUntil(NowMs() + 3);
    if (GetWindowTextLengthW(gEdit) > 0) {
      // Let the rest of the paste arrive.
      PumpUntil(NowMs() + 20);
      paste.Pasted = EditText();
      paste.End = TPasteEnd::Landed;
      break;
    }
    if (HWND box = FindBox(pid)) {
      paste.BoxText = BoxText(box);
      paste.End = TPasteEnd::Box;
      HWND ok = GetDlgItem(box, IDOK);
      if (!ok) ok = FindWindowExW(box, nullptr, L"Button", nullptr);
      PostMessageW(ok, BM_CLICK, 0, 0);
      double gone = NowMs() + 3000;
      while (IsWindow(box) && IsWindowVisible(box) && NowMs() < gone) PumpUntil(NowMs() + 5);
      break;
    }
    if (NowMs() >= until) break;
  }
  paste.ToMs = NowMs();
  return paste;
}

std::string PasteJson(const TPaste& p) {
  const char* end = p.End == TPasteEnd::Landed ? "landed"
                    : p.End == TPasteEnd::Box  ? "box"
                                               : "none";
  std::string json = "{\"row\": " + std::to_string(p.Row) +
                     ", \"label\": " + Quoted(ToHex(p.Label)) +
                     ", \"pasted\": " + Quoted(ToHex(p.Pasted)) + ", \"end\": \"" + end + "\"";
  if (!p.BoxText.empty()) json += ", \"box\": " + Quoted(ToHex(p.BoxText));
  return json + ", \"ms\": " + Num(p.ToMs - p.FromMs) + "}";
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// Pastes every row once, checking each lands as exactly its own label (the
// tests' texts are single lines, so a row's label is its whole entry).
std::vector<std::string> PasteEveryRow(HWND listBox, HWND button, long* wrong) {
  std::vector<std::string> out;
  DWORD pid = ProcessOf(listBox);
  LRESULT count = RowCount(listBox);
  int missed = 0;
  for (int row = 0; row < count; ++row) {
    TPaste p = PasteRow(listBox, button, pid, row, 3000);
    // A paste that landed nowhere is tried once more, in front again.
    if (p.End == TPasteEnd::Nothing) p = PasteRow(listBox, button, pid, row, 3000);
    missed = p.End == TPasteEnd::Nothing ? missed + 1 : 0;
    if (missed >= 5) {
      ++*wrong;
      out.push_back("{\"error\": \"five pastes in a row landed nowhere\"}");
      break;
    }
    if (p.End != TPasteEnd::Landed || p.Pasted != p.Label) {
      ++*wrong;
      out.push_back(PasteJson(p));
    }
  }
  return out;
}

// ---- contention -------------------------------------------------------------------

struct THold {
  double From, To;
};

int Contend(int argc, char** argv) {
  if (argc < 9) return 2;
  unsigned seed = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 0));
  long copies = std::atol(argv[3]);
  long pastes = std::atol(argv[4]);
  double gap = std::atof(argv[5]);
  std::string prefix = argv[6];
  HWND listBox = HwndArg(argv[7]);
  HWND button = HwndArg(argv[8]);
  DWORD pid = ProcessOf(listBox);
  std::vector<std::pair<double, double>> pasteOpenings;
  gPasteOpenings = &pasteOpenings;
  MakeTarget();

  std::atomic<bool> stop{false};
  std::vector<THold> holds;
  std::thread holder([&] {
    std::mt19937 random(seed ^ 0x5eedu);
    while (!stop) {
      Sleep(5 + random() % 146);
      if (stop) break;
      if (!OpenClipboard(nullptr)) continue;
      double from = NowMs();
      Sleep(10 + random() % 191);
      CloseClipboard();
      holds.push_back({from, NowMs()});
    }
  });

  std::mt19937 random(seed);
  struct TCopy {
    std::string Text;
    double Opened, Closed;
  };
  std::vector<TCopy> made;
  std::vector<TPaste> done;
  long failed = 0;
  long pasteEvery = pastes > 0 ? std::max(1L, copies / pastes) : copies + 1;
  double start = NowMs();
  double next = start;
  for (long k = 0; k < copies; ++k) {
    PumpUntil(next);
    TCopy copy{Numbered(prefix, k, 4), 0, 0};
    if (Copy(copy.Text, &copy.Opened, &copy.Closed)) {
      made.push_back(copy);
    } else {
      ++failed;
    }
    next = NowMs() + gap;
    if ((k + 1) % pasteEvery == 0 && static_cast<long>(done.size()) < pastes) {
      PumpUntil(next);
      LRESULT count = RowCount(listBox);
      if (count > 0) {
        done.push_back(PasteRow(listBox, button, pid, static_cast<int>(random() % count), 3000));
      }
      next = NowMs() + gap;
    }
  }
  stop = true;
  holder.join();
  double stormMs = NowMs() - start;
  PumpUntil(NowMs() + 300);

  // A copy could be kept when nobody else had the clipboard open from its
  // closing to the next copy and no paste of Zeziduz's own was under way.
  auto busy = [&](double from, double to) {
    for (const THold& h : holds) {
      if (h.From < to && h.To > from) return true;
    }
    for (const auto& o : pasteOpenings) {
      if (o.first < to && o.second > from) return true;
    }
    for (const TPaste& p : done) {
      if (p.FromMs - 10 < to && p.ToMs + 10 > from) return true;
    }
    return false;
  };
  std::vector<std::string> copyJson;
  long clean = 0;
  for (std::size_t i = 0; i < made.size(); ++i) {
    double until = i + 1 < made.size() ? made[i + 1].Opened : made[i].Closed + gap;
    bool readable = !busy(made[i].Closed - 1, until);
    clean += readable ? 1 : 0;
    std::string item = "[";
    item += Quoted(made[i].Text);
    item += readable ? ", true]" : ", false]";
    copyJson.push_back(item);
  }
  long boxes = 0, landed = 0, none = 0;
  std::vector<std::string> pasteJson;
  for (const TPaste& p : done) {
    boxes += p.End == TPasteEnd::Box;
    landed += p.End == TPasteEnd::Landed;
    none += p.End == TPasteEnd::Nothing;
    pasteJson.push_back(PasteJson(p));
  }
  double held = 0;
  for (const THold& h : holds) held += h.To - h.From;

  gPasteOpenings = nullptr;
  long wrong = 0;
  double checkFrom = NowMs();
  std::vector<std::string> wrongRows = PasteEveryRow(listBox, button, &wrong);
  return Emit(
      "{\"made\": " + std::to_string(made.size()) + ", \"failed\": " + std::to_string(failed) +
      ", \"readable\": " + std::to_string(clean) + ", \"holds\": " + std::to_string(holds.size()) +
      ", \"held_ms\": " + Num(held) + ", \"storm_ms\": " + Num(stormMs) +
      ", \"pastes\": " + std::to_string(done.size()) + ", \"boxes\": " + std::to_string(boxes) +
      ", \"landed\": " + std::to_string(landed) + ", \"nothing\": " + std::to_string(none) +
      ", \"rows\": " + std::to_string(RowCount(listBox)) +
      ", \"wrong_rows\": " + std::to_string(wrong) + ", \"check_ms\": " + Num(NowMs() - checkFrom) +
      ", \"wrong\": " + Join(wrongRows) + ", \"paste_list\": " + Join(pasteJson) +
      ", \"copies\": " + Join(copyJson) + "}");
}

int Pastes(int argc, char** argv) {
  if (argc < 6) return 2;
  std::mt19937 random(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 0)));
  long count = std::atol(argv[3]);
  HWND listBox = HwndArg(argv[4]);
  HWND button = HwndArg(argv[5]);
  DWORD pid = ProcessOf(listBox);
  MakeTarget();
  long wrong = 0, boxes = 0;
  std::vector<std::string> wrongJson;
  double start = NowMs();
  for (long i = 0; i < count; ++i) {
    LRESULT rows = RowCount(listBox);
    if (rows <= 0) break;
    TPaste p = PasteRow(listBox, button, pid, static_cast<int>(random() % rows), 3000);
    boxes += p.End == TPasteEnd::Box;
    if (p.End != TPasteEnd::Landed || p.Pasted != p.Label) {
      ++wrong;
      if (wrongJson.size() < 20) wrongJson.push_back(PasteJson(p));
    }
  }
  return Emit("{\"pastes\": " + std::to_string(count) + ", \"wrong\": " + std::to_string(wrong) +
                  ", \"boxes\": " + std::to_string(boxes) + ", \"ms\": " + Num(NowMs() - start) +
                  ", \"wrong_list\": " + Join(wrongJson) + "}",
              wrong ? 1 : 0);
}

// ---- raw blocks and process figures ---------------------------------------------------

int Put(UINT format, const std::string& bytes) {
  if (!OpenWithin(1500)) return Emit("{\"error\": \"cannot open the clipboard\"}", 1);
  EmptyClipboard();
  bool put = PutBlock(format, bytes);
  CloseClipboard();
  return Emit(std::string("{\"put\": ") + (put ? "true" : "false") +
                  ", \"size\": " + std::to_string(bytes.size()) + "}",
              put ? 0 : 1);
}

int PutFill(int argc, char** argv) {
  if (argc < 5) return 2;
  UINT format = static_cast<UINT>(std::strtoul(argv[2], nullptr, 0));
  std::size_t size = static_cast<std::size_t>(std::strtoull(argv[3], nullptr, 0));
  std::string fill = FromHex(argv[4]);
  std::string tail = argc > 5 ? FromHex(argv[5]) : "";
  if (fill.empty() || tail.size() > size) return 2;
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = fill[i % fill.size()];
  std::memcpy(bytes.data() + size - tail.size(), tail.data(), tail.size());
  return Put(format, bytes);
}

int ProcStat(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!process) return Emit("{\"error\": \"cannot open the process\"}", 1);
  DWORD handles = 0;
  BOOL gotHandles = GetProcessHandleCount(process, &handles);
  DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
  DWORD user = GetGuiResources(process, GR_USEROBJECTS);
  CloseHandle(process);
  return Emit("{\"handles\": " + (gotHandles ? std::to_string(handles) : std::string("null")) +
              ", \"gdi\": " + std::to_string(gdi) + ", \"user\": " + std::to_string(user) + "}");
}

int Loop(HWND button, double timeoutMs) {
  double start = NowMs();
  PostMessageW(button, BM_SETSTATE, TRUE, 0);
  bool ran = false;
  for (;;) {
    LRESULT state = 0;
    if (Ask(button, BM_GETSTATE, 0, 0, &state, 1000) && (state & BST_PUSHED)) {
      ran = true;
      break;
    }
    if (NowMs() - start >= timeoutMs) break;
    Sleep(5);
  }
  double took = NowMs() - start;
  PostMessageW(button, BM_SETSTATE, FALSE, 0);
  return Emit(std::string("{\"ran\": ") + (ran ? "true" : "false") + ", \"ms\": " + Num(took) +
              "}");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string verb = argv[1];
  if (verb == "copies") return Copies(argc, argv);
  if (verb == "churn") return Churn(argc, argv);
  if (verb == "contend") return Contend(argc, argv);
  if (verb == "pastes") return Pastes(argc, argv);
  if (verb == "put" && argc >= 3) {
    return Put(static_cast<UINT>(std::strtoul(argv[2], nullptr, 0)),
               FromHex(argc > 3 ? argv[3] : ""));
  }
  if (verb == "put-fill") return PutFill(argc, argv);
  if (verb == "procstat" && argc >= 3) {
    return ProcStat(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 0)));
  }
  if (verb == "loop" && argc >= 4) return Loop(HwndArg(argv[2]), std::atof(argv[3]));
  return 2;
}
