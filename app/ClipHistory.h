#pragma once
#include <cstddef>
#include <functional>
#include <string_view>

#include "app/ClipText.h"
#include "util/LeadByte.h"

namespace zez {

// Longest label, in bytes of the ANSI code page.
inline constexpr std::size_t kLabelLimit = 4096;

// What a row shows for a text: its first line, or the fixed "未知数据" when the
// first line is empty. FirstLine points into the text itself.
struct TClipLabel {
  bool Unknown = false;
  std::string_view FirstLine;
};

// The fixed label of a text whose first line is empty, as the UI shows it.
inline constexpr std::string_view kUnknownLabelUtf8 = "未知数据";

// The label rule. A line ends only at CR LF (a lone CR or LF is an ordinary
// byte). The first line is cut to kLabelLimit bytes; a cut that would split a
// double-byte character drops its lone lead byte. A CR right before the CR LF
// that ends the first line (CR CR LF) is part of the line end, as in the
// system's multi-line edit control. Looks at no more than kLabelLimit + 1
// bytes, however long the text.
TClipLabel ClipLabel(std::string_view text, TLeadByteTest isLeadByte);

// The list box rows as the history sees them: row i shows entry i.
class TClipRows {
 public:
  virtual ~TClipRows() = default;
  // Appends a row; throws when the list box refuses it. Selection and scroll
  // position stay as they are.
  virtual void AddRow(const TClipLabel& label) = 0;
  virtual void ClearRows() = 0;
};

// Reads the clipboard's current text; the empty text when it cannot.
using TClipReader = std::function<ClipText()>;

// The history's operations over the unit-level state they are given: the
// entries, the skip flag and the rows. Holds references only.
class TClipHistory {
 public:
  TClipHistory(TClipTexts& clipTexts, bool& skipNextClip, TClipRows& rows,
               TLeadByteTest isLeadByte)
      : FClipTexts(clipTexts), FSkipNextClip(skipNextClip), FRows(rows), FIsLeadByte(isLeadByte) {}

  // Clears the skip flag. The history is empty at this point unless the notice
  // that arrives while the watcher joins recorded a text; that entry keeps its
  // row rather than leaving a row without an entry.
  void Start();

  // A clipboard notice with the lowest standard format present (1 = text).
  // Reads the clipboard only when it is going to record.
  void TextNotice(int formatCode, const TClipReader& getText);

  // Empties the entries and the rows; the skip flag keeps its value.
  void Clear();

  // All entries end to end, with no separator.
  ClipText Join() const;

 private:
  TClipTexts& FClipTexts;
  bool& FSkipNextClip;
  TClipRows& FRows;
  TLeadByteTest FIsLeadByte;
};

}  // namespace zez
