#pragma once
// The clip history's rows on a real list box: a label becomes "未知数据", its
// first line's Unicode characters as copied, or its first line's ANSI bytes
// converted with the system's ANSI code page.
#include "app/ClipHistory.h"
#include "ui/StdCtrls.h"

namespace zez {

class TListBoxRows : public TClipRows {
 public:
  explicit TListBoxRows(TListBox& listBox) : FListBox(listBox) {}
  void AddRow(const TClipLabel& label) override;  // throws "无法插入行" when refused
  void ClearRows() override;

 private:
  TListBox& FListBox;
};

}  // namespace zez
