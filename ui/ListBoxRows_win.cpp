#include <string>

#include "ui/ListBoxRows.h"

namespace zez {

void TListBoxRows::AddRow(const TClipLabel& label) {
  if (label.Unknown)
    FListBox.Items.Add(kUnknownLabelUtf8);
  else if (label.Wide)
    FListBox.Items.AddWide(std::u16string(label.WideFirstLine));
  else
    FListBox.Items.AddAnsi(label.FirstLine);
}

void TListBoxRows::ClearRows() {
  FListBox.Items.Clear();
}

}  // namespace zez
