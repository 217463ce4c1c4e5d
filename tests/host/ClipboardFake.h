#pragma once
// Recording fakes of the clipboard and the viewer chain. The clipboard keeps
// real blocks of exactly their size, so a read past a block's end shows up
// under AddressSanitizer, and reports calls made in the wrong state.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "CodePageFake.h"
#include "clipboard/Clipbrd.h"
#include "clipboard/qamwatchClipbrd.h"

namespace zez::test {

// The code page the clipboard tests read in: a tiny GBK.
inline const TCodePage& FakeCodePage() {
  static const TGbkSubsetPage page;
  return page;
}

class TFakeClipboardSystem : public TClipboardSystem {
 public:
  // Knobs.
  bool HeldByAnother = false;  // another program has the clipboard open
  bool FailAlloc = false;
  bool FailLock = false;
  int AllocsLeft = -1;  // when not -1: allocations that succeed before the rest fail
  int LocksLeft = -1;   // the same for locks
  bool RefuseSetData = false;
  std::string ThrowOn;              // the name of a call that throws
  std::set<unsigned> Synthesized;   // formats that answer present without data
  std::function<void()> OnSetData;  // runs inside SetData

  ~TFakeClipboardSystem() override = default;

  // Registered format names, numbered from 0xC000 in the order first asked.
  std::map<std::u16string, unsigned> Registered;
  bool FailRegister = false;

  // The contents, put there by "another program".
  void PutUnicode(const std::u16string& units, bool terminated = true) {
    std::string bytes(reinterpret_cast<const char*>(units.data()), units.size() * 2);
    if (terminated) bytes += std::string(2, '\0');
    Put(kCFUnicodeText, bytes);
  }
  // A registered format by name, registered here if need be.
  unsigned FormatNamed(const std::u16string& name) {
    auto it = Registered.find(name);
    if (it != Registered.end()) return it->second;
    const unsigned format = 0xC000 + static_cast<unsigned>(Registered.size());
    Registered[name] = format;
    return format;
  }
  void Put(unsigned format, const std::string& bytes) {
    TGlobalHandle h = NewBlock(bytes.size());
    if (!bytes.empty()) std::copy(bytes.begin(), bytes.end(), FBlocks[h].Bytes.get());
    FBlocks[h].SystemOwned = true;
    Replace(format, h);
  }
  std::set<unsigned> Formats() const {
    std::set<unsigned> formats;
    for (const auto& [format, handle] : FContents) formats.insert(format);
    return formats;
  }
  // The whole CF_TEXT block, zero byte and all; "<none>" when there is none.
  std::string Text() const { return Contents(kCFText); }
  // The whole block of a format, as bytes; "<none>" when there is none.
  std::string Contents(unsigned format) const {
    auto it = FContents.find(format);
    if (it == FContents.end()) return "<none>";
    const TBlock& b = FBlocks.at(it->second);
    return std::string(b.Bytes.get(), b.Size);
  }
  bool IsOpen() const { return FOpen; }
  TWindowHandle Owner() const { return FOwner; }

  const std::vector<std::string>& Calls() const { return FCalls; }
  void ClearCalls() { FCalls.clear(); }
  int Count(const std::string& name) const {
    int n = 0;
    for (const auto& call : FCalls) {
      if (call == name || call.rfind(name + "(", 0) == 0) ++n;
    }
    return n;
  }
  const std::vector<std::string>& Misuses() const { return FMisuses; }
  std::vector<std::string> LeakedBlocks() const {
    std::vector<std::string> leaked;
    for (const auto& [h, b] : FBlocks) {
      if (!b.Freed && !b.SystemOwned) leaked.push_back(Name(h));
    }
    return leaked;
  }
  std::vector<std::string> LockedBlocks() const {
    std::vector<std::string> locked;
    for (const auto& [h, b] : FBlocks) {
      if (b.Locks > 0) locked.push_back(Name(h));
    }
    return locked;
  }

  bool Open(TWindowHandle opener) override {
    Record("Open(" + std::to_string(opener) + ")");
    if (HeldByAnother) return false;
    if (FOpen) Misuse("Open while open");
    FOpen = true;
    FOpener = opener;
    return true;
  }
  void Close() override {
    Record("Close");
    if (!FOpen) Misuse("Close while closed");
    FOpen = false;
  }
  void Empty() override {
    Record("Empty");
    if (!FOpen) Misuse("Empty while closed");
    for (const auto& [format, handle] : FContents) Release(handle);
    FContents.clear();
    FOwner = FOpener;
  }
  bool IsFormatAvailable(unsigned format) override {
    Record("IsFormatAvailable(" + std::to_string(format) + ")");
    return FContents.count(format) != 0 || Synthesized.count(format) != 0;
  }
  TGlobalHandle GetData(unsigned format) override {
    Record("GetData(" + std::to_string(format) + ")");
    if (!FOpen) Misuse("GetData while closed");
    auto it = FContents.find(format);
    return it == FContents.end() ? 0 : it->second;
  }
  TGlobalHandle SetData(unsigned format, TGlobalHandle block) override {
    Record("SetData(" + std::to_string(format) + "," + Name(block) + ")");
    if (OnSetData) OnSetData();
    if (!FOpen) Misuse("SetData while closed");
    if (RefuseSetData) return 0;
    TBlock& b = Block(block);
    if (b.Freed || b.SystemOwned) Misuse("SetData of a block not ours");
    b.SystemOwned = true;
    Replace(format, block);
    return block;
  }
  TGlobalHandle Alloc(unsigned flags, std::size_t size) override {
    char hex[16];
    std::snprintf(hex, sizeof(hex), "0x%x", flags);
    Record("Alloc(" + std::string(hex) + "," + std::to_string(size) + ")");
    if (FailAlloc || AllocsLeft == 0) return 0;
    if (AllocsLeft > 0) --AllocsLeft;
    TGlobalHandle h = NewBlock(size);
    // Garbage, so a missing zero byte is noticed.
    std::fill_n(FBlocks[h].Bytes.get(), size, '\xCD');
    return h;
  }
  void* Lock(TGlobalHandle block) override {
    Record("Lock(" + Name(block) + ")");
    if (FailLock || LocksLeft == 0) return nullptr;
    if (LocksLeft > 0) --LocksLeft;
    TBlock& b = Block(block);
    if (b.Freed) Misuse("Lock of a freed block");
    ++b.Locks;
    return b.Bytes.get();
  }
  void Unlock(TGlobalHandle block) override {
    Record("Unlock(" + Name(block) + ")");
    TBlock& b = Block(block);
    if (b.Locks > 0) --b.Locks;
  }
  void Free(TGlobalHandle block) override {
    Record("Free(" + Name(block) + ")");
    TBlock& b = Block(block);
    if (b.Freed || b.SystemOwned) Misuse("Free of a block not ours: " + Name(block));
    if (b.Locks > 0) Misuse("Free of a locked block");
    b.Freed = true;
    b.Bytes.reset();
  }
  std::size_t Size(TGlobalHandle block) override {
    Record("Size(" + Name(block) + ")");
    return Block(block).Size;
  }
  unsigned RegisterFormat(const std::u16string& name) override {
    std::string ascii(name.begin(), name.end());
    Record("RegisterFormat(" + ascii + ")");
    if (FailRegister) return 0;
    return FormatNamed(name);
  }

 private:
  struct TBlock {
    std::unique_ptr<char[]> Bytes;
    std::size_t Size = 0;
    int Locks = 0;
    bool Freed = false;
    bool SystemOwned = false;
  };

  static std::string Name(TGlobalHandle h) { return "#" + std::to_string(h); }
  void Record(const std::string& call) {
    FCalls.push_back(call);
    auto paren = call.find('(');
    if (!ThrowOn.empty() && call.substr(0, paren) == ThrowOn) {
      throw std::runtime_error("fake failure in " + ThrowOn);
    }
  }
  void Misuse(const std::string& what) { FMisuses.push_back(what); }
  TGlobalHandle NewBlock(std::size_t size) {
    TGlobalHandle h = ++FLastHandle;
    FBlocks[h].Bytes.reset(new char[size]);
    FBlocks[h].Size = size;
    return h;
  }
  TBlock& Block(TGlobalHandle h) {
    auto it = FBlocks.find(h);
    if (it == FBlocks.end()) throw std::logic_error("unknown block " + Name(h));
    return it->second;
  }
  // The system frees what it owns when it lets go of it.
  void Release(TGlobalHandle h) {
    TBlock& b = Block(h);
    b.Freed = true;
    b.SystemOwned = false;
    b.Bytes.reset();
  }
  void Replace(unsigned format, TGlobalHandle h) {
    auto it = FContents.find(format);
    if (it != FContents.end()) Release(it->second);
    FContents[format] = h;
  }

  std::map<TGlobalHandle, TBlock> FBlocks;
  std::map<unsigned, TGlobalHandle> FContents;
  TGlobalHandle FLastHandle = 0;
  bool FOpen = false;
  TWindowHandle FOpener = 0;
  TWindowHandle FOwner = 0;
  std::vector<std::string> FCalls;
  std::vector<std::string> FMisuses;
};

// The viewer chain: records SetClipboardViewer, ChangeClipboardChain and
// SendMessage.
class TFakeChainSystem : public TChainSystem {
 public:
  TWindowHandle PreviousViewer = 0;       // what SetViewer returns
  std::function<void()> InsideSetViewer;  // e.g. the system's first notice
  bool ThrowOnSend = false;
  std::function<void()> OnSend;

  TWindowHandle SetViewer(TWindowHandle window) override {
    FCalls.push_back("SetViewer(" + std::to_string(window) + ")");
    if (InsideSetViewer) InsideSetViewer();
    return PreviousViewer;
  }
  void ChangeChain(TWindowHandle remove, TWindowHandle next) override {
    FCalls.push_back("ChangeChain(" + std::to_string(remove) + "," + std::to_string(next) + ")");
  }
  std::intptr_t Send(TWindowHandle window, unsigned msg, std::uintptr_t wParam,
                     std::intptr_t lParam) override {
    char hex[16];
    std::snprintf(hex, sizeof(hex), "0x%x", msg);
    FCalls.push_back("Send(" + std::to_string(window) + "," + hex + "," + std::to_string(wParam) +
                     "," + std::to_string(lParam) + ")");
    if (OnSend) OnSend();
    if (ThrowOnSend) throw std::runtime_error("the next viewer failed");
    return 0;
  }
  const std::vector<std::string>& Calls() const { return FCalls; }
  void ClearCalls() { FCalls.clear(); }

 private:
  std::vector<std::string> FCalls;
};

}  // namespace zez::test
