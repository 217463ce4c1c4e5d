#include "app/ClipHistory.h"

#include <cstring>
#include <utility>

namespace zez {

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';

// Length of the text before its first CR LF, looking at no more than
// limit + 1 bytes; returns limit + 1 when no CR LF starts within the limit.
std::size_t FirstLineLength(std::string_view text, std::size_t limit) {
  const std::size_t scan = text.size() < limit + 1 ? text.size() : limit + 1;
  const char* data = text.data();
  std::size_t from = 0;
  while (from < scan) {
    const void* hit = std::memchr(data + from, kCR, scan - from);
    if (hit == nullptr) break;
    const std::size_t at = static_cast<const char*>(hit) - data;
    if (at + 1 < text.size() && data[at + 1] == kLF) return at;
    from = at + 1;
  }
  return text.size() <= limit ? text.size() : limit + 1;
}

// The largest length <= limit that ends on a character boundary.
std::size_t CutAtCharacter(std::string_view line, std::size_t limit, TLeadByteTest isLeadByte) {
  std::size_t at = 0;
  while (at < limit) {
    const std::size_t width = isLeadByte(static_cast<unsigned char>(line[at])) ? 2 : 1;
    if (at + width > limit) break;
    at += width;
  }
  return at;
}

}  // namespace

TClipLabel ClipLabel(std::string_view text, TLeadByteTest isLeadByte) {
  std::size_t length = FirstLineLength(text, kLabelLimit);
  if (length > kLabelLimit) {
    length = CutAtCharacter(text, kLabelLimit, isLeadByte);
  } else if (length < text.size() && length > 0 && text[length - 1] == kCR) {
    // CR CR LF ends the line as a whole.
    --length;
  }
  TClipLabel label;
  label.FirstLine = text.substr(0, length);
  label.Unknown = length == 0;
  return label;
}

void TClipHistory::Start() { FSkipNextClip = false; }

void TClipHistory::TextNotice(int formatCode, const TClipReader& getText) {
  if (formatCode != 1) return;
  if (FSkipNextClip) {
    FSkipNextClip = false;
    return;
  }
  ClipText text = getText();
  // An empty text has no line: nothing is recorded.
  if (text.empty()) return;
  FClipTexts.push_back(std::move(text));
  try {
    FRows.AddRow(ClipLabel(FClipTexts.back(), FIsLeadByte));
  } catch (...) {
    // A refused row takes its entry with it, so row i keeps standing for entry i.
    FClipTexts.pop_back();
    throw;
  }
}

void TClipHistory::Clear() {
  FClipTexts.clear();
  FRows.ClearRows();
}

ClipText TClipHistory::Join() const {
  std::size_t total = 0;
  for (const ClipText& text : FClipTexts) total += text.size();
  ClipText joined;
  joined.reserve(total);
  for (const ClipText& text : FClipTexts) joined += text;
  return joined;
}

}  // namespace zez
