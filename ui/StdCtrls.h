#pragma once
// The standard controls, each a real window of the system class (LISTBOX,
// BUTTON, STATIC, EDIT) so that screen readers and automation can read them.
// Captions and rows go through the wide Win32 calls.
#include <string>
#include <string_view>

#include "ui/Forms.h"

namespace zez {

class TListBox;

// The rows of a list box.
class TListBoxItems {
 public:
  explicit TListBoxItems(TListBox& owner) : FOwner(owner) {}
  // Appends a row (UTF-8 text); throws Exception("无法插入行") when refused.
  int Add(std::string_view utf8);
  // Appends a row of bytes in the system's ANSI code page (CP_ACP).
  int AddAnsi(std::string_view ansiBytes);
  int AddWide(const std::u16string& text);
  void Clear();
  int Count() const;
  std::string operator[](int index) const;  // UTF-8

 private:
  TListBox& FOwner;
};

// LISTBOX: single selection, not sorted, no integral height.
class TListBox : public TWinControl {
 public:
  TListBox(TForm* owner, std::string_view name) : TWinControl(owner, name) {}
  TListBoxItems Items{*this};
  int ItemIndex() const;  // -1: no row selected
  void SetItemIndex(int index);

 protected:
  TCreateParams CreateParams() const override;
};

// BUTTON (push button); OnClick from the table or set in code.
class TButton : public TWinControl {
 public:
  TButton(TForm* owner, std::string_view name);
  void Click();
  TNotifyEvent OnClick;

 protected:
  TCreateParams CreateParams() const override;
  void Notify(unsigned code) override;
};

// STATIC with SS_NOTIFY, drawn in its font colour on the form's background;
// Cursor, OnClick and AutoSize from the table.
class TLabel : public TWinControl {
 public:
  TLabel(TForm* owner, std::string_view name);
  void Click();
  TNotifyEvent OnClick;

 protected:
  TCreateParams CreateParams() const override;
  void Notify(unsigned code) override;
  void Created() override;
};

// EDIT, multi-line with both scroll bars. The program keeps it hidden; it
// holds its tab-order slot.
class TMemo : public TWinControl {
 public:
  TMemo(TForm* owner, std::string_view name) : TWinControl(owner, name) {}

 protected:
  TCreateParams CreateParams() const override;
};

}  // namespace zez
