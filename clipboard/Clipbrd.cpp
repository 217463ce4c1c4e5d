#include "clipboard/Clipbrd.h"

#include <cstring>

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

}  // namespace

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
  TClipboardOpening opening(*this);
  TGlobalHandle handle = FSystem.GetData(kCFText);
  if (handle == 0) return {};
  TGlobalLock lock(FSystem, handle);
  const char* bytes = static_cast<const char*>(lock.Pointer());
  if (bytes == nullptr) return {};
  // A block without a zero byte ends at its size, not somewhere after it.
  std::size_t size = FSystem.Size(handle);
  const void* zero = std::memchr(bytes, 0, size);
  std::size_t length =
      zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : size;
  return ClipText(bytes, length);
}

void TClipboard::WriteClipboardText(const ClipText& text) {
  TClipboardOpening opening(*this);
  TGlobalBlock block(FSystem, FSystem.Alloc(kClipboardBlockFlags, text.size() + 1));
  if (block.Get() == 0) throw Exception(kCannotAllocClipboardMemory);
  TGlobalLock lock(FSystem, block.Get());
  char* bytes = static_cast<char*>(lock.Pointer());
  if (bytes == nullptr) throw Exception(kCannotAllocClipboardMemory);
  std::memcpy(bytes, text.data(), text.size());
  bytes[text.size()] = '\0';
  // Emptying only now, after the copy, keeps the old contents on any failure
  // above.
  if (FOpenDepth > 0 && !FEmptiedThisOpening) {
    ClearClipboard();
    FEmptiedThisOpening = true;
  }
  // A refused block stays ours and is freed with the guard.
  if (FSystem.SetData(kCFText, block.Get()) != 0) block.HandOver();
  lock.Release();
}

}  // namespace zez
