#pragma once
#include <cstddef>
#include <functional>
#include <string_view>

#include "app/ClipText.h"
#include "util/CodePage.h"
#include "util/LeadByte.h"

namespace zez {

// Longest label, in bytes of the ANSI code page.
inline constexpr std::size_t kLabelLimit = 4096;

// What a row shows for a text: its first line, or the fixed "未知数据" when the
// first line is empty. The line is the ANSI form's (FirstLine) or, for a text
// with a Unicode form, that form's (WideFirstLine, with Wide set); either
// points into the text itself.
struct TClipLabel {
  bool Unknown = false;
  std::string_view FirstLine;
  bool Wide = false;
  std::u16string_view WideFirstLine{};
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

// The same rule on the Unicode form: a line ends only at CR LF, and a first
// line whose ANSI form is longer than kLabelLimit bytes is cut where that form
// reaches the limit, never inside a character (a surrogate pair is one
// character; one the code page cannot hold counts as its 1-byte '?'). Looks at
// no more than kLabelLimit + 1 characters, however long the text.
TClipLabel ClipLabel(std::u16string_view text, const TCodePage& codePage);

// A clip text's label: from its Unicode form when it has one, else from its
// ANSI form with the code page's lead bytes.
TClipLabel ClipLabel(const ClipText& text, const TCodePage& codePage);
// A label points into its text, so a passing text cannot have one.
TClipLabel ClipLabel(ClipText&& text, const TCodePage& codePage) = delete;

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
// Tells whether the clipboard's owner asked history tools to leave its
// contents alone (password managers do).
using TExclusionProbe = std::function<bool()>;

// The history's operations over the unit-level state they are given: the
// entries, the skip flag and the rows. Holds references only.
class TClipHistory {
 public:
  TClipHistory(TClipTexts& clipTexts, bool& skipNextClip, TClipRows& rows,
               const TCodePage& codePage)
      : FClipTexts(clipTexts), FSkipNextClip(skipNextClip), FRows(rows), FCodePage(codePage) {}

  // Clears the skip flag. The history is empty at this point unless the notice
  // that arrives while the watcher joins recorded a text; that entry keeps its
  // row rather than leaving a row without an entry.
  void Start();

  // A clipboard notice with the lowest standard format present (1 = text).
  // Reads the clipboard only when it is going to record. A notice whose
  // contents are marked as not for history (isExcluded) records nothing and
  // leaves the skip flag alone.
  void TextNotice(int formatCode, const TClipReader& getText, const TExclusionProbe& isExcluded);

  // Empties the entries and the rows; the skip flag keeps its value.
  void Clear();

  // All entries end to end, with no separator: the ANSI forms joined, and,
  // when any entry has a Unicode form, the Unicode forms joined too (an entry
  // without one gives its ANSI form converted).
  ClipText Join() const;

 private:
  TClipTexts& FClipTexts;
  bool& FSkipNextClip;
  TClipRows& FRows;
  const TCodePage& FCodePage;
};

}  // namespace zez
