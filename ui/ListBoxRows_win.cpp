#include "ui/ListBoxRows.h"

namespace zez {

void TListBoxRows::AddRow(const TClipLabel& label) {
  if (label.Unknown)
    FListBox.Items.Add(kUnknownLabelUtf8);
  else
    FListBox.Items.AddAnsi(label.FirstLine);
}

void TListBoxRows::ClearRows() {
  FListBox.Items.Clear();
}

}  // namespace zez
