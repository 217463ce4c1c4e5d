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
template <typename TIsLead>
std::size_t CutAtCharacter(std::string_view line, std::size_t limit, const TIsLead& isLeadByte) {
  std::size_t at = 0;
  while (at < limit) {
    const std::size_t width = isLeadByte(static_cast<unsigned char>(line[at])) ? 2 : 1;
    if (at + width > limit) break;
    at += width;
  }
  return at;
}

template <typename TIsLead>
TClipLabel AnsiLabel(std::string_view text, const TIsLead& isLeadByte) {
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

}  // namespace

TClipLabel ClipLabel(std::string_view text, TLeadByteTest isLeadByte) {
  return AnsiLabel(text, isLeadByte);
}

TClipLabel ClipLabel(std::u16string_view text, const TCodePage& codePage) {
  std::size_t length = 0;
  std::size_t bytes = 0;
  bool lineEnd = false;
  // Each character costs at least one byte, so this stops within
  // kLabelLimit + 1 characters.
  while (length < text.size()) {
    if (text[length] == u'\r' && length + 1 < text.size() && text[length + 1] == u'\n') {
      lineEnd = true;
      break;
    }
    const std::u16string_view rest = text.substr(length);
    const std::size_t units = CharacterUnits(rest);
    std::size_t width = codePage.CharacterBytes(rest.substr(0, units));
    if (width == 0) width = 1;
    if (bytes + width > kLabelLimit) break;
    bytes += width;
    length += units;
  }
  // CR CR LF ends the line as a whole.
  if (lineEnd && length > 0 && text[length - 1] == u'\r') --length;
  TClipLabel label;
  label.Wide = true;
  label.WideFirstLine = text.substr(0, length);
  label.Unknown = length == 0;
  return label;
}

TClipLabel ClipLabel(const ClipText& text, const TCodePage& codePage) {
  if (text.HasUnicode()) return ClipLabel(text.Unicode(), codePage);
  return AnsiLabel(text.Ansi(),
                   [&codePage](unsigned char byte) { return codePage.IsLeadByte(byte); });
}

void TClipHistory::Start() {
  FSkipNextClip = false;
}

void TClipHistory::TextNotice(int formatCode, const TClipReader& getText,
                              const TExclusionProbe& isExcluded) {
  if (formatCode != 1) return;
  // Marked contents are never read, let alone kept. The test comes before the
  // skip flag is consumed: our own write never carries these marks, so a
  // marked notice is not the one the flag waits for and must leave it for
  // that one. Our own notice costs only availability queries here.
  if (isExcluded && isExcluded()) return;
  if (FSkipNextClip) {
    FSkipNextClip = false;
    return;
  }
  ClipText text = getText();
  // An empty text has no line: nothing is recorded.
  if (text.Empty()) return;
  FClipTexts.push_back(std::move(text));
  try {
    FRows.AddRow(ClipLabel(FClipTexts.back(), FCodePage));
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
  bool anyUnicode = false;
  for (const ClipText& text : FClipTexts) {
    total += text.Ansi().size();
    anyUnicode = anyUnicode || text.HasUnicode();
  }
  std::string joined;
  joined.reserve(total);
  for (const ClipText& text : FClipTexts) joined += text.Ansi();
  if (!anyUnicode) return ClipText(std::move(joined));
  std::u16string wide;
  for (const ClipText& text : FClipTexts) {
    if (text.HasUnicode())
      wide += text.Unicode();
    else
      wide += FCodePage.AnsiToWide(text.Ansi());
  }
  return ClipText(std::move(joined), std::move(wide));
}

}  // namespace zez
