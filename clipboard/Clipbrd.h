#pragma once
// The process-wide clipboard object: counted opening, emptying, probing and
// plain-text reading and writing. Every Win32 call goes through
// TClipboardSystem, so the core decides the order of calls and the host tests
// can watch it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/ClipText.h"
#include "util/CodePage.h"
#include "util/Types.h"

namespace zez {

// A global memory handle (HGLOBAL, or the HANDLE GetClipboardData returns) as a
// number; 0 means none.
using TGlobalHandle = std::uintptr_t;

inline constexpr unsigned kCFText = 1;          // CF_TEXT
inline constexpr unsigned kCFUnicodeText = 13;  // CF_UNICODETEXT
// GMEM_MOVEABLE | GMEM_DDESHARE: the block a text is handed over in.
inline constexpr unsigned kClipboardBlockFlags = 0x2002;

// The registered formats with which an owner (a password manager) asks
// clipboard history tools to leave its contents alone: the first two by being
// present, the third by holding the DWORD 0. "CanUploadToCloudClipboard"
// concerns cloud sync only and is not consulted.
inline constexpr char16_t kExcludeFromMonitorFormat[] =
    u"ExcludeClipboardContentFromMonitorProcessing";
inline constexpr char16_t kViewerIgnoreFormat[] = u"Clipboard Viewer Ignore";
inline constexpr char16_t kCanIncludeInHistoryFormat[] = u"CanIncludeInClipboardHistory";

// The messages of the clipboard's failures (UTF-8).
inline constexpr char kCannotOpenClipboard[] = "无法打开剪贴板";
inline constexpr char kCannotAllocClipboardMemory[] = "无法分配剪贴板内存";

// The narrow seam to USER32's clipboard calls and KERNEL32's global memory.
class TClipboardSystem {
 public:
  virtual ~TClipboardSystem() = default;
  virtual bool Open(TWindowHandle opener) = 0;          // OpenClipboard
  virtual void Close() = 0;                             // CloseClipboard
  virtual void Empty() = 0;                             // EmptyClipboard
  virtual bool IsFormatAvailable(unsigned format) = 0;  // IsClipboardFormatAvailable
  virtual TGlobalHandle GetData(unsigned format) = 0;   // GetClipboardData
  // SetClipboardData: the block back when the system took it, 0 when it refused.
  virtual TGlobalHandle SetData(unsigned format, TGlobalHandle block) = 0;
  virtual TGlobalHandle Alloc(unsigned flags, std::size_t size) = 0;  // GlobalAlloc
  virtual void* Lock(TGlobalHandle block) = 0;                        // GlobalLock
  virtual void Unlock(TGlobalHandle block) = 0;                       // GlobalUnlock
  virtual void Free(TGlobalHandle block) = 0;                         // GlobalFree
  virtual std::size_t Size(TGlobalHandle block) = 0;                  // GlobalSize
  // RegisterClipboardFormatW: the format's number, 0 on failure.
  virtual unsigned RegisterFormat(const std::u16string& name) = 0;
};

class TClipboard {
 public:
  // The code page decides which Unicode texts say more than their ANSI form.
  TClipboard(TClipboardSystem& system, const TCodePage& codePage)
      : FSystem(system), FCodePage(codePage) {}
  TClipboard(const TClipboard&) = delete;
  TClipboard& operator=(const TClipboard&) = delete;

  // The window the clipboard is opened with; it owns the clipboard after a
  // write or an emptying. The application window, once it exists.
  void SetOpenerWindow(TWindowHandle opener) { FOpener = opener; }
  TWindowHandle OpenerWindow() const { return FOpener; }

  // Counted opening: only the outermost pair opens and closes the system
  // clipboard. A failed opening throws kCannotOpenClipboard at once, depth 0.
  void BeginClipboard();
  void EndClipboard();
  int OpenDepth() const { return FOpenDepth; }
  bool EmptiedThisOpening() const { return FEmptiedThisOpening; }

  void ClearClipboard();
  // Never opens the clipboard, so it answers while another program holds it.
  bool FormatPresent(std::uint16_t format);
  // CF_TEXT up to its first zero byte and CF_UNICODETEXT up to its first zero
  // unit, in one opening, never past a block's size; the Unicode form is kept
  // only where it says more than the ANSI form. The empty text when the
  // clipboard holds none.
  ClipText ReadClipboardText();
  // Replaces the clipboard's contents with the text: CF_TEXT with its ANSI
  // form, and CF_UNICODETEXT with its Unicode form when it has one, in one
  // opening and one emptying. When a block cannot be allocated or locked,
  // throws kCannotAllocClipboardMemory and the clipboard keeps what it held.
  void WriteClipboardText(const ClipText& text);
  // True when the owner marked the contents as not for history: one of the
  // presence formats is available, or "CanIncludeInClipboardHistory" holds 0.
  // That value needs an opening; when it cannot be read (the clipboard held
  // by another program, no data, a short block) the contents count as marked:
  // a password is never recorded on a guess. Never throws.
  bool ExcludedFromHistory();

 private:
  unsigned RegisteredFormat(unsigned& cache, const char16_t* name);

  TClipboardSystem& FSystem;
  const TCodePage& FCodePage;
  unsigned FExcludeFromMonitor = 0;
  unsigned FViewerIgnore = 0;
  unsigned FCanIncludeInHistory = 0;
  TWindowHandle FOpener = 0;
  int FOpenDepth = 0;
  bool FEmptiedThisOpening = false;
};

// The one process-wide instance, over the real clipboard. Defined by the Win32
// binding (Clipbrd_win.cpp); host tests build their own TClipboard instead.
TClipboard& Clipboard();

}  // namespace zez
