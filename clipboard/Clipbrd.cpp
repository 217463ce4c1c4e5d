#include "clipboard/Clipbrd.h"

#include <cstring>
#include <optional>
#include <string>

#include "util/Exception.h"

namespace zez {
namespace {

// One counted opening for the length of a scope.
class TClipboardOpening {
 public:
  explicit TClipboardOpening(TClipboard& clipboard) : FClipboard(clipboard) {
    FClipboard.BeginClipboard();
  }
  ~TClipboardOpening() { FClipboard.EndClipboard(); }
  TClipboardOpening(const TClipboardOpening&) = delete;
  TClipboardOpening& operator=(const TClipboardOpening&) = delete;

 private:
  TClipboard& FClipboard;
};

// A block we allocated: freed on the way out unless the system has taken it.
class TGlobalBlock {
 public:
  TGlobalBlock(TClipboardSystem& system, TGlobalHandle handle) : FSystem(system), FHandle(handle) {}
  ~TGlobalBlock() {
    if (FHandle != 0) FSystem.Free(FHandle);
  }
  TGlobalBlock(const TGlobalBlock&) = delete;
  TGlobalBlock& operator=(const TGlobalBlock&) = delete;
  TGlobalHandle Get() const { return FHandle; }
  void HandOver() { FHandle = 0; }

 private:
  TClipboardSystem& FSystem;
  TGlobalHandle FHandle;
};

// One lock attempt on a block, always paired with its unlock; the unlock
// comes early through Release where the order of calls needs it.
class TGlobalLock {
 public:
  TGlobalLock(TClipboardSystem& system, TGlobalHandle handle)
      : FSystem(system), FHandle(handle), FPointer(system.Lock(handle)) {}
  ~TGlobalLock() { Release(); }
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  void* Pointer() const { return FPointer; }
  void Release() {
    if (FHandle != 0) {
      FSystem.Unlock(FHandle);
      FHandle = 0;
      FPointer = nullptr;
    }
  }

 private:
  TClipboardSystem& FSystem;
  TGlobalHandle FHandle;
  void* FPointer;
};

// The bytes of a block up to its first zero byte, never past its size; empty
// without a handle or a pointer.
std::string ReadBytes(TClipboardSystem& system, TGlobalHandle handle) {
  if (handle == 0) return {};
  TGlobalLock lock(system, handle);
  const char* bytes = static_cast<const char*>(lock.Pointer());
  if (bytes == nullptr) return {};
  // A block without a zero byte ends at its size, not somewhere after it.
  std::size_t size = system.Size(handle);
  const void* zero = std::memchr(bytes, 0, size);
  std::size_t length =
      zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : size;
  return std::string(bytes, length);
}

// The UTF-16 units of a block up to its first zero unit; a block without one
// ends at its last whole unit (an odd last byte is no unit).
std::u16string ReadUnits(TClipboardSystem& system, TGlobalHandle handle) {
  if (handle == 0) return {};
  TGlobalLock lock(system, handle);
  const char* bytes = static_cast<const char*>(lock.Pointer());
  if (bytes == nullptr) return {};
  std::u16string units(system.Size(handle) / 2, u'\0');
  std::memcpy(units.data(), bytes, units.size() * 2);
  const std::size_t zero = units.find(u'\0');
  if (zero != std::u16string::npos) units.resize(zero);
  return units;
}

// A filled block for SetClipboardData: allocated, locked and copied into, or
// an exception with the clipboard untouched.
class TFilledBlock {
 public:
  TFilledBlock(TClipboardSystem& system, const void* data, std::size_t size, std::size_t terminator)
      : FBlock(system, system.Alloc(kClipboardBlockFlags, size + terminator)) {
    if (FBlock.Get() == 0) throw Exception(kCannotAllocClipboardMemory);
    FLock.emplace(system, FBlock.Get());
    char* bytes = static_cast<char*>(FLock->Pointer());
    if (bytes == nullptr) throw Exception(kCannotAllocClipboardMemory);
    if (size != 0) std::memcpy(bytes, data, size);
    std::memset(bytes + size, 0, terminator);
  }
  // Hands the block to the system (a refused block stays ours and is freed
  // with the guard), then unlocks it.
  void SetData(TClipboardSystem& system, unsigned format) {
    if (system.SetData(format, FBlock.Get()) != 0) FBlock.HandOver();
    FLock->Release();
  }

 private:
  TGlobalBlock FBlock;
  std::optional<TGlobalLock> FLock;  // released before the block is freed
};

}  // namespace

unsigned TClipboard::RegisteredFormat(unsigned& cache, const char16_t* name) {
  if (cache == 0) cache = FSystem.RegisterFormat(name);
  return cache;
}

void TClipboard::BeginClipboard() {
  if (FOpenDepth == 0) {
    if (!FSystem.Open(FOpener)) throw Exception(kCannotOpenClipboard);
    FEmptiedThisOpening = false;
  }
  ++FOpenDepth;
}

void TClipboard::EndClipboard() {
  if (FOpenDepth == 0) return;
  if (--FOpenDepth == 0) FSystem.Close();
}

void TClipboard::ClearClipboard() {
  TClipboardOpening opening(*this);
  FSystem.Empty();
}

bool TClipboard::FormatPresent(std::uint16_t format) {
  return FSystem.IsFormatAvailable(format);
}

ClipText TClipboard::ReadClipboardText() {
  std::string ansi;
  std::u16string unicode;
  {
    TClipboardOpening opening(*this);
    ansi = ReadBytes(FSystem, FSystem.GetData(kCFText));
    unicode = ReadUnits(FSystem, FSystem.GetData(kCFUnicodeText));
  }
  // Compared once the clipboard is free again.
  return ClipText::FromClipboard(std::move(ansi), std::move(unicode), FCodePage);
}

void TClipboard::WriteClipboardText(const ClipText& text) {
  TClipboardOpening opening(*this);
  const std::string& ansi = text.Ansi();
  TFilledBlock ansiBlock(FSystem, ansi.data(), ansi.size(), 1);
  std::optional<TFilledBlock> unicodeBlock;
  if (text.HasUnicode()) {
    const std::u16string_view unicode = text.Unicode();
    unicodeBlock.emplace(FSystem, unicode.data(), unicode.size() * 2, 2);
  }
  // Emptying only now, after the copies, keeps the old contents on any
  // failure above.
  if (FOpenDepth > 0 && !FEmptiedThisOpening) {
    ClearClipboard();
    FEmptiedThisOpening = true;
  }
  ansiBlock.SetData(FSystem, kCFText);
  if (unicodeBlock) unicodeBlock->SetData(FSystem, kCFUnicodeText);
}

bool TClipboard::ExcludedFromHistory() {
  try {
    for (auto [cache, name] : {std::pair{&FExcludeFromMonitor, kExcludeFromMonitorFormat},
                               std::pair{&FViewerIgnore, kViewerIgnoreFormat}}) {
      const unsigned format = RegisteredFormat(*cache, name);
      if (format != 0 && FSystem.IsFormatAvailable(format)) return true;
    }
    const unsigned canInclude = RegisteredFormat(FCanIncludeInHistory, kCanIncludeInHistoryFormat);
    if (canInclude == 0 || !FSystem.IsFormatAvailable(canInclude)) return false;
    TClipboardOpening opening(*this);
    const TGlobalHandle handle = FSystem.GetData(canInclude);
    if (handle == 0) return true;
    TGlobalLock lock(FSystem, handle);
    const char* bytes = static_cast<const char*>(lock.Pointer());
    if (bytes == nullptr || FSystem.Size(handle) < sizeof(std::uint32_t)) return true;
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, sizeof(value));
    return value == 0;
  } catch (...) {
    return true;
  }
}

}  // namespace zez
