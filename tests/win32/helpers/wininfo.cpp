// The end-to-end tests' eyes and fingers on the Wine desktop: inspects and pokes
// the windows of other processes and prints what it saw as UTF-8 JSON.
//
//   wininfo find CLASS [TITLE]        top-level windows ("*" matches any class or title)
//   wininfo windows [PID]             every top-level window (of one process)
//   wininfo info HWND                 one window ({"exists": false} once it is gone)
//   wininfo children HWND             every descendant window
//   wininfo lbrows HWND               a list box's rows, selection and row rectangles
//   wininfo text HWND                 WM_GETTEXT (wide) and, for an edit, its selection
//   wininfo foreground                the foreground window and its thread's focus
//   wininfo focus-of HWND             GetGUIThreadInfo of the window's thread
//   wininfo dialogs PID               dialogs and message boxes (PID 0: any process)
//   wininfo at X Y                    the window under a screen point
//   wininfo screen                    screen size, work area, DPI
//   wininfo clipboard                 owner, first viewer, opener, formats present
//   wininfo press-button HWND         BM_CLICK (falls back to WM_COMMAND to the parent)
//   wininfo close HWND [TIMEOUT_MS]   posts WM_CLOSE, then waits for the window to go
//   wininfo activate HWND [TIMEOUT_MS]  brings it to the front, waits until its thread has focus
//   wininfo keys HWND KEY...          activate (HWND 0: leave the foreground), then
//                                     SendInput each chord, e.g. ctrl+v end shift+home
//   wininfo type HWND TEXT            activate, then type TEXT as Unicode key events
//   wininfo wait-window CLASS TITLE TIMEOUT_MS   polls for a visible matching window
//   wininfo wait-gone HWND TIMEOUT_MS
//
// HWND and PID are decimal or 0x-hex; PIDs are Windows process ids. Every answer is
// one JSON value on stdout. Exit status 0 on success, 1 when the thing asked for
// failed or timed out (the JSON then has "error"), 2 on a usage error.
// windows.h comes first: shellapi.h needs it.
#include <windows.h>
//
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr UINT kSendTimeoutMs = 5000;  // generous: the machine may be loaded

// ---- JSON output -----------------------------------------------------------

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring Wide(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (n <= 1) return {};
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), n);
  out.resize(static_cast<std::size_t>(n - 1));
  return out;
}

std::string Quote(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Quote(const std::wstring& text) {
  return Quote(Utf8(text));
}

// A JSON object built field by field, in order.
class TJson {
 public:
  TJson& Raw(const char* key, const std::string& json) {
    FBody += (FBody.empty() ? "" : ", ") + Quote(std::string(key)) + ": " + json;
    return *this;
  }
  TJson& Str(const char* key, const std::wstring& v) { return Raw(key, Quote(v)); }
  TJson& Str(const char* key, const std::string& v) { return Raw(key, Quote(v)); }
  TJson& Num(const char* key, long long v) { return Raw(key, std::to_string(v)); }
  TJson& Bool(const char* key, bool v) { return Raw(key, v ? "true" : "false"); }
  TJson& Hwnd(const char* key, HWND h) {
    return Num(key, static_cast<long long>(reinterpret_cast<uintptr_t>(h)));
  }
  std::string Text() const { return "{" + FBody + "}"; }

 private:
  std::string FBody;
};

std::string Array(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
  return out + "]";
}

std::string RectJson(const RECT& r) {
  return TJson()
      .Num("left", r.left)
      .Num("top", r.top)
      .Num("right", r.right)
      .Num("bottom", r.bottom)
      .Num("width", r.right - r.left)
      .Num("height", r.bottom - r.top)
      .Text();
}

// Bytes as they are: no CR is added before LF, so the JSON parses the same everywhere.
int Emit(const std::string& json, int status = 0) {
  std::string line = json + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
  return status;
}

int Fail(const std::string& message, const std::string& extra = {}) {
  TJson j;
  j.Str("error", message);
  if (!extra.empty()) j.Raw("detail", extra);
  return Emit(j.Text(), 1);
}

// ---- window facts ----------------------------------------------------------

HWND ParseHwnd(const char* s) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(s, nullptr, 0)));
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  int n = GetClassNameW(h, buf, 256);
  return std::wstring(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

// The text a window answers to WM_GETTEXT; a hung or vanished window gives
// what the system stored for it, without waiting.
std::wstring TextOf(HWND h) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len)) {
    wchar_t buf[1024] = {};
    int n = InternalGetWindowText(h, buf, 1024);
    return std::wstring(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
  }
  std::vector<wchar_t> buf(len + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &got)) {
    return {};
  }
  if (got > len) got = len;
  return std::wstring(buf.data(), got);
}

DWORD PidOf(HWND h) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  return pid;
}

RECT ClientOnScreen(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  POINT tl{r.left, r.top}, br{r.right, r.bottom};
  ClientToScreen(h, &tl);
  ClientToScreen(h, &br);
  return RECT{tl.x, tl.y, br.x, br.y};
}

std::string WindowJson(HWND h) {
  TJson j;
  j.Hwnd("hwnd", h);
  if (!IsWindow(h)) return j.Bool("exists", false).Text();
  RECT r{};
  GetWindowRect(h, &r);
  LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
  LONG_PTR exStyle = GetWindowLongPtrW(h, GWL_EXSTYLE);
  DWORD pid = 0;
  DWORD tid = GetWindowThreadProcessId(h, &pid);
  j.Bool("exists", true)
      .Num("pid", pid)
      .Num("tid", tid)
      .Str("class", ClassOf(h))
      .Str("title", TextOf(h))
      .Raw("rect", RectJson(r))
      .Raw("client", RectJson(ClientOnScreen(h)))
      .Num("style", static_cast<long long>(static_cast<DWORD>(style)))
      .Num("exstyle", static_cast<long long>(static_cast<DWORD>(exStyle)))
      .Hwnd("owner", GetWindow(h, GW_OWNER))
      .Hwnd("parent", GetAncestor(h, GA_PARENT))
      .Bool("visible", IsWindowVisible(h) != FALSE)
      .Bool("enabled", IsWindowEnabled(h) != FALSE)
      .Bool("iconic", IsIconic(h) != FALSE)
      .Bool("topmost", (exStyle & WS_EX_TOPMOST) != 0)
      .Bool("toolwindow", (exStyle & WS_EX_TOOLWINDOW) != 0)
      .Bool("foreground", GetForegroundWindow() == h);
  return j.Text();
}

// The enumeration callbacks are WINAPI (stdcall on 32-bit), which a lambda is not.
BOOL CALLBACK Collect(HWND h, LPARAM p) {
  reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> all;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&all));
  return all;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&all));
  return all;
}

bool Matches(const std::wstring& pattern, const std::wstring& value) {
  return pattern == L"*" || pattern == value;
}

std::vector<HWND> FindWindows(const std::wstring& cls, const std::wstring& title,
                              bool visibleOnly) {
  std::vector<HWND> found;
  for (HWND h : TopLevelWindows()) {
    if (visibleOnly && !IsWindowVisible(h)) continue;
    if (!Matches(cls, ClassOf(h))) continue;
    if (title != L"*" && !Matches(title, TextOf(h))) continue;
    found.push_back(h);
  }
  return found;
}

GUITHREADINFO ThreadInfoOf(HWND h) {
  GUITHREADINFO gi{};
  gi.cbSize = sizeof gi;
  DWORD tid = GetWindowThreadProcessId(h, nullptr);
  if (tid) GetGUIThreadInfo(tid, &gi);
  return gi;
}

std::string FocusJson(HWND h) {
  GUITHREADINFO gi = ThreadInfoOf(h);
  RECT caret = gi.rcCaret;
  if (gi.hwndCaret) {
    POINT tl{caret.left, caret.top}, br{caret.right, caret.bottom};
    ClientToScreen(gi.hwndCaret, &tl);
    ClientToScreen(gi.hwndCaret, &br);
    caret = RECT{tl.x, tl.y, br.x, br.y};
  }
  return TJson()
      .Hwnd("hwnd", h)
      .Num("tid", GetWindowThreadProcessId(h, nullptr))
      .Hwnd("focus", gi.hwndFocus)
      .Str("focus_class", gi.hwndFocus ? ClassOf(gi.hwndFocus) : std::wstring())
      .Hwnd("active", gi.hwndActive)
      .Hwnd("capture", gi.hwndCapture)
      .Hwnd("caret_hwnd", gi.hwndCaret)
      .Raw("caret", RectJson(caret))
      .Hwnd("foreground", GetForegroundWindow())
      .Text();
}

std::string ChildJson(HWND c, HWND focus) {
  RECT r{};
  GetWindowRect(c, &r);
  return TJson()
      .Hwnd("hwnd", c)
      .Hwnd("parent", GetAncestor(c, GA_PARENT))
      .Str("class", ClassOf(c))
      .Num("id", GetDlgCtrlID(c))
      .Str("text", TextOf(c))
      .Raw("rect", RectJson(r))
      .Raw("client", RectJson(ClientOnScreen(c)))
      .Num("style", static_cast<long long>(static_cast<DWORD>(GetWindowLongPtrW(c, GWL_STYLE))))
      .Num("exstyle", static_cast<long long>(static_cast<DWORD>(GetWindowLongPtrW(c, GWL_EXSTYLE))))
      .Bool("visible", IsWindowVisible(c) != FALSE)
      .Bool("enabled", IsWindowEnabled(c) != FALSE)
      .Bool("focus", c == focus)
      .Text();
}

bool Send(HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, kSendTimeoutMs, &r)) return false;
  *result = static_cast<LRESULT>(r);
  return true;
}

// ---- verbs -----------------------------------------------------------------

int Find(const std::wstring& cls, const std::wstring& title) {
  std::vector<std::string> items;
  for (HWND h : FindWindows(cls, title, false)) items.push_back(WindowJson(h));
  return Emit(Array(items));
}

int Windows(DWORD pid) {
  std::vector<std::string> items;
  for (HWND h : TopLevelWindows()) {
    if (pid == 0 || PidOf(h) == pid) items.push_back(WindowJson(h));
  }
  return Emit(Array(items));
}

int Children(HWND h) {
  if (!IsWindow(h)) return Fail("no such window");
  HWND focus = ThreadInfoOf(h).hwndFocus;
  std::vector<std::string> items;
  for (HWND c : Descendants(h)) items.push_back(ChildJson(c, focus));
  return Emit(Array(items));
}

int ListBoxRows(HWND h) {
  if (!IsWindow(h)) return Fail("no such window");
  LRESULT count = 0, cursel = 0, top = 0, itemHeight = 0;
  if (!Send(h, LB_GETCOUNT, 0, 0, &count) || count < 0) return Fail("LB_GETCOUNT failed");
  Send(h, LB_GETCURSEL, 0, 0, &cursel);
  Send(h, LB_GETTOPINDEX, 0, 0, &top);
  Send(h, LB_GETITEMHEIGHT, 0, 0, &itemHeight);
  RECT client = ClientOnScreen(h);
  std::vector<std::string> rows;
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT len = 0, selected = 0;
    std::wstring text;
    bool ok = Send(h, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, &len) && len >= 0;
    if (ok) {
      // One wide character more than the row's length, as the message requires.
      std::vector<wchar_t> buf(static_cast<std::size_t>(len) + 1, L'\0');
      LRESULT got = 0;
      ok =
          Send(h, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.data()), &got) &&
          got >= 0;
      if (ok) text.assign(buf.data(), static_cast<std::size_t>(got > len ? len : got));
    }
    Send(h, LB_GETSEL, static_cast<WPARAM>(i), 0, &selected);
    // Where the row sits on the screen, from the row height and the first row shown;
    // rows scrolled out of view lie outside the client rectangle.
    LONG rowTop = client.top + static_cast<LONG>((i - top) * itemHeight);
    RECT rowRect{client.left, rowTop, client.right, rowTop + static_cast<LONG>(itemHeight)};
    rows.push_back(TJson()
                       .Num("index", i)
                       .Str("text", text)
                       .Bool("ok", ok)
                       .Bool("selected", selected > 0)
                       .Raw("rect", RectJson(rowRect))
                       .Bool("shown", rowRect.top >= client.top && rowRect.bottom <= client.bottom)
                       .Text());
  }
  return Emit(TJson()
                  .Hwnd("hwnd", h)
                  .Num("count", count)
                  .Num("cursel", cursel)
                  .Num("top", top)
                  .Num("item_height", itemHeight)
                  .Raw("client", RectJson(client))
                  .Raw("rows", Array(rows))
                  .Text());
}

int Text(HWND h) {
  if (!IsWindow(h)) return Fail("no such window");
  TJson j;
  j.Hwnd("hwnd", h).Str("class", ClassOf(h)).Str("text", TextOf(h));
  LRESULT sel = 0;
  // With null pointers EM_GETSEL answers in its result, nothing to marshal.
  if (_wcsicmp(ClassOf(h).c_str(), L"Edit") == 0 && Send(h, EM_GETSEL, 0, 0, &sel)) {
    j.Num("sel_start", LOWORD(static_cast<DWORD>(sel)))
        .Num("sel_end", HIWORD(static_cast<DWORD>(sel)));
  }
  return Emit(j.Text());
}

int Dialogs(DWORD pid) {
  std::vector<std::string> items;
  for (HWND h : TopLevelWindows()) {
    if (ClassOf(h) != L"#32770") continue;
    if (pid != 0 && PidOf(h) != pid) continue;
    std::vector<std::string> statics, buttons;
    for (HWND c : Descendants(h)) {
      std::wstring cls = ClassOf(c);
      if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        std::wstring t = TextOf(c);
        if (!t.empty()) statics.push_back(Quote(t));
      } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        RECT r{};
        GetWindowRect(c, &r);
        buttons.push_back(TJson()
                              .Hwnd("hwnd", c)
                              .Num("id", GetDlgCtrlID(c))
                              .Str("text", TextOf(c))
                              .Raw("rect", RectJson(r))
                              .Text());
      }
    }
    RECT r{};
    GetWindowRect(h, &r);
    items.push_back(TJson()
                        .Hwnd("hwnd", h)
                        .Num("pid", PidOf(h))
                        .Str("caption", TextOf(h))
                        .Raw("rect", RectJson(r))
                        .Hwnd("owner", GetWindow(h, GW_OWNER))
                        .Bool("visible", IsWindowVisible(h) != FALSE)
                        .Bool("foreground", GetForegroundWindow() == h)
                        .Raw("texts", Array(statics))
                        .Raw("buttons", Array(buttons))
                        .Text());
  }
  return Emit(Array(items));
}

int At(int x, int y) {
  HWND h = WindowFromPoint(POINT{x, y});
  HWND root = h ? GetAncestor(h, GA_ROOT) : nullptr;
  return Emit(TJson()
                  .Num("x", x)
                  .Num("y", y)
                  .Hwnd("hwnd", h)
                  .Str("class", h ? ClassOf(h) : std::wstring())
                  .Hwnd("root", root)
                  .Str("root_class", root ? ClassOf(root) : std::wstring())
                  .Text());
}

int Screen() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return Emit(TJson()
                  .Num("width", GetSystemMetrics(SM_CXSCREEN))
                  .Num("height", GetSystemMetrics(SM_CYSCREEN))
                  .Raw("work_area", RectJson(work))
                  .Num("dpi", dpi)
                  .Num("acp", GetACP())
                  .Text());
}

int Clipboard() {
  std::vector<std::string> formats;
  for (UINT f = 1; f <= 17; ++f) {
    if (IsClipboardFormatAvailable(f)) formats.push_back(std::to_string(f));
  }
  return Emit(TJson()
                  .Hwnd("owner", GetClipboardOwner())
                  .Hwnd("viewer", GetClipboardViewer())
                  .Hwnd("open_by", GetOpenClipboardWindow())
                  .Num("sequence", GetClipboardSequenceNumber())
                  .Raw("formats", Array(formats))
                  .Text());
}

bool WaitGone(HWND h, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (IsWindow(h)) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

int PressButton(HWND h) {
  if (!IsWindow(h)) return Fail("no such window");
  HWND parent = GetParent(h);
  int id = GetDlgCtrlID(h);
  // BM_CLICK is what a click does; a button that ignores it (not active, say)
  // still reports the click to its dialog through WM_COMMAND.
  PostMessageW(h, BM_CLICK, 0, 0);
  bool gone = parent ? WaitGone(parent, 1000) : true;
  const char* how = "BM_CLICK";
  if (!gone && parent && IsWindow(parent)) {
    PostMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(h));
    how = "WM_COMMAND";
    gone = WaitGone(parent, 2000);
  }
  return Emit(TJson()
                  .Hwnd("hwnd", h)
                  .Hwnd("parent", parent)
                  .Num("id", id)
                  .Str("how", std::string(how))
                  .Bool("parent_gone", gone)
                  .Text());
}

int Close(HWND h, DWORD timeoutMs) {
  if (!IsWindow(h)) return Emit(TJson().Hwnd("hwnd", h).Bool("gone", true).Text());
  PostMessageW(h, WM_CLOSE, 0, 0);
  bool gone = timeoutMs == 0 ? !IsWindow(h) : WaitGone(h, timeoutMs);
  return Emit(TJson().Hwnd("hwnd", h).Bool("gone", gone).Text(), gone || timeoutMs == 0 ? 0 : 1);
}

bool IsSelfOrChild(HWND root, HWND h) {
  return h && (h == root || IsChild(root, h));
}

// The foreground change completes only once the target's thread takes the focus;
// keys sent before that reach the old focus.
bool Activate(HWND h, DWORD timeoutMs, DWORD* tookMs) {
  HWND root = GetAncestor(h, GA_ROOT);
  if (!root) root = h;
  DWORD start = GetTickCount();
  DWORD lastTry = start - 1000;
  for (;;) {
    DWORD now = GetTickCount();
    if (!IsWindow(root)) return false;
    if (GetForegroundWindow() != root && now - lastTry >= 200) {
      SetForegroundWindow(root);
      lastTry = now;
    }
    GUITHREADINFO gi = ThreadInfoOf(root);
    if (GetForegroundWindow() == root && gi.hwndActive == root &&
        IsSelfOrChild(root, gi.hwndFocus)) {
      *tookMs = now - start;
      return true;
    }
    if (now - start >= timeoutMs) return false;
    Sleep(5);
  }
}

int ActivateVerb(HWND h, DWORD timeoutMs) {
  if (!IsWindow(h)) return Fail("no such window");
  DWORD took = 0;
  bool ok = Activate(h, timeoutMs, &took);
  if (!ok) return Fail("window did not come to the front with the focus", FocusJson(h));
  return Emit(TJson().Bool("ok", true).Num("took_ms", took).Raw("focus", FocusJson(h)).Text());
}

struct TKeyName {
  const char* Name;
  WORD Vk;
};

constexpr TKeyName kKeys[] = {
    {"ctrl", VK_CONTROL},  {"control", VK_CONTROL}, {"shift", VK_SHIFT},  {"alt", VK_MENU},
    {"return", VK_RETURN}, {"enter", VK_RETURN},    {"tab", VK_TAB},      {"escape", VK_ESCAPE},
    {"esc", VK_ESCAPE},    {"space", VK_SPACE},     {"back", VK_BACK},    {"backspace", VK_BACK},
    {"delete", VK_DELETE}, {"home", VK_HOME},       {"end", VK_END},      {"left", VK_LEFT},
    {"right", VK_RIGHT},   {"up", VK_UP},           {"down", VK_DOWN},    {"prior", VK_PRIOR},
    {"next", VK_NEXT},     {"f4", VK_F4},           {"insert", VK_INSERT}};

bool KeyOf(const std::string& name, WORD* vk) {
  if (name.size() == 1) {
    char c = name[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      *vk = static_cast<WORD>(c);
      return true;
    }
    return false;
  }
  for (const TKeyName& k : kKeys) {
    if (_stricmp(k.Name, name.c_str()) == 0) {
      *vk = k.Vk;
      return true;
    }
  }
  return false;
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  if (vk == VK_HOME || vk == VK_END || vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP ||
      vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT || vk == VK_DELETE || vk == VK_INSERT) {
    in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  }
  return in;
}

// "ctrl+v": every key down in order, then up in reverse.
bool ChordInputs(const std::string& chord, std::vector<INPUT>* inputs) {
  std::vector<WORD> vks;
  std::size_t from = 0;
  while (from <= chord.size()) {
    std::size_t plus = chord.find('+', from);
    if (plus == std::string::npos) plus = chord.size();
    WORD vk = 0;
    if (!KeyOf(chord.substr(from, plus - from), &vk)) return false;
    vks.push_back(vk);
    from = plus + 1;
  }
  for (WORD vk : vks) inputs->push_back(KeyInput(vk, false));
  for (auto it = vks.rbegin(); it != vks.rend(); ++it) inputs->push_back(KeyInput(*it, true));
  return true;
}

int SendInputs(HWND h, std::vector<INPUT>& inputs) {
  DWORD took = 0;
  if (h && !Activate(h, 3000, &took)) {
    return Fail("window did not come to the front with the focus", FocusJson(h));
  }
  UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  HWND target = h ? h : GetForegroundWindow();
  return Emit(TJson()
                  .Bool("ok", sent == inputs.size())
                  .Num("events", sent)
                  .Num("activate_ms", took)
                  .Raw("focus", FocusJson(target))
                  .Text(),
              sent == inputs.size() ? 0 : 1);
}

int Keys(HWND h, int argc, char** argv) {
  if (h && !IsWindow(h)) return Fail("no such window");
  std::vector<INPUT> inputs;
  for (int i = 0; i < argc; ++i) {
    if (!ChordInputs(argv[i], &inputs)) return Fail(std::string("unknown key: ") + argv[i]);
  }
  return SendInputs(h, inputs);
}

int Type(HWND h, const std::wstring& text) {
  if (h && !IsWindow(h)) return Fail("no such window");
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    for (bool up : {false, true}) {
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wScan = static_cast<WORD>(c);
      in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      inputs.push_back(in);
    }
  }
  return SendInputs(h, inputs);
}

int WaitWindow(const std::wstring& cls, const std::wstring& title, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    std::vector<HWND> found = FindWindows(cls, title, true);
    if (!found.empty()) return Emit(WindowJson(found.front()));
    if (GetTickCount() - start >= timeoutMs) return Fail("timed out waiting for the window");
    Sleep(20);
  }
}

DWORD ParseNumber(const char* s) {
  return static_cast<DWORD>(std::strtoul(s, nullptr, 0));
}

// A message of the test's own protocol to a helper window; prints its answer.
int SendTo(HWND h, UINT msg, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (!Send(h, msg, w, l, &result)) return Fail("the window did not answer");
  return Emit("{\"result\": " + std::to_string(static_cast<long long>(result)) + "}");
}

int Usage() {
  std::fputs(
      "usage: wininfo find|windows|info|children|lbrows|text|foreground|focus-of|dialogs|at|"
      "screen|clipboard|press-button|close|activate|keys|type|send|wait-window|wait-gone ...\n",
      stderr);
  return 2;
}

}  // namespace

// The arguments arrive through the wide command line so that Chinese titles survive.
int main() {
  _setmode(_fileno(stdout), _O_BINARY);
  int argc = 0;
  LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8(wargv[i]));
  LocalFree(wargv);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  if (argc < 2) return Usage();
  std::string verb = argv[1];
  auto has = [&](int n) { return argc >= 2 + n; };
  auto hwndArg = [&](int i) { return ParseHwnd(argv[2 + i]); };
  auto wideArg = [&](int i) { return Wide(argv[2 + i]); };

  if (verb == "find" && has(1)) return Find(wideArg(0), has(2) ? wideArg(1) : L"*");
  if (verb == "windows") return Windows(has(1) ? ParseNumber(argv[2]) : 0);
  if (verb == "info" && has(1)) return Emit(WindowJson(hwndArg(0)));
  if (verb == "children" && has(1)) return Children(hwndArg(0));
  if (verb == "lbrows" && has(1)) return ListBoxRows(hwndArg(0));
  if (verb == "text" && has(1)) return Text(hwndArg(0));
  if (verb == "foreground") {
    HWND fg = GetForegroundWindow();
    return Emit(TJson().Raw("window", WindowJson(fg)).Raw("focus", FocusJson(fg)).Text());
  }
  if (verb == "focus-of" && has(1)) {
    if (!IsWindow(hwndArg(0))) return Fail("no such window");
    return Emit(FocusJson(hwndArg(0)));
  }
  if (verb == "dialogs") return Dialogs(has(1) ? ParseNumber(argv[2]) : 0);
  if (verb == "at" && has(2)) return At(std::atoi(argv[2]), std::atoi(argv[3]));
  if (verb == "screen") return Screen();
  if (verb == "clipboard") return Clipboard();
  if (verb == "press-button" && has(1)) return PressButton(hwndArg(0));
  if (verb == "close" && has(1)) return Close(hwndArg(0), has(2) ? ParseNumber(argv[3]) : 5000);
  if (verb == "activate" && has(1)) {
    return ActivateVerb(hwndArg(0), has(2) ? ParseNumber(argv[3]) : 3000);
  }
  if (verb == "keys" && has(2)) return Keys(hwndArg(0), argc - 3, argv.data() + 3);
  if (verb == "type" && has(2)) return Type(hwndArg(0), wideArg(1));
  if (verb == "wait-window" && has(3)) {
    return WaitWindow(wideArg(0), wideArg(1), ParseNumber(argv[4]));
  }
  if (verb == "move" && has(3)) {
    HWND h = hwndArg(0);
    if (!SetWindowPos(h, nullptr, std::atoi(argv[3]), std::atoi(argv[4]), 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)) {
      return Fail("SetWindowPos failed");
    }
    return Emit(WindowJson(h));
  }
  if (verb == "adjust" && has(4)) {
    // The outer size the system gives a client of W x H with these styles.
    RECT r{0, 0, static_cast<LONG>(ParseNumber(argv[4])), static_cast<LONG>(ParseNumber(argv[5]))};
    AdjustWindowRectEx(&r, ParseNumber(argv[2]), FALSE, ParseNumber(argv[3]));
    return Emit("{\"width\": " + std::to_string(r.right - r.left) + ", \"height\": " +
                std::to_string(r.bottom - r.top) + "}");
  }
  if (verb == "send" && has(2)) {
    return SendTo(hwndArg(0), ParseNumber(argv[3]), has(3) ? ParseNumber(argv[4]) : 0,
                  has(4) ? static_cast<LPARAM>(ParseNumber(argv[5])) : 0);
  }
  if (verb == "wait-gone" && has(2)) {
    bool gone = WaitGone(hwndArg(0), ParseNumber(argv[3]));
    return Emit(TJson().Hwnd("hwnd", hwndArg(0)).Bool("gone", gone).Text(), gone ? 0 : 1);
  }
  return Usage();
}
