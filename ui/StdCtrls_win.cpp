#include <windows.h>

#include "ui/StdCtrls.h"
#include "ui/Text.h"
#include "ui/WinHandles.h"
#include "util/Exception.h"

namespace zez {

namespace {

HWND Hwnd(TWindowHandle h) {
  return reinterpret_cast<HWND>(h);
}

}  // namespace

int TListBoxItems::Add(std::string_view utf8) {
  return AddWide(Utf8ToUtf16(utf8));
}

int TListBoxItems::AddAnsi(std::string_view bytes) {
  std::u16string text;
  if (!bytes.empty()) {
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    text.resize(static_cast<std::size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), n);
  }
  return AddWide(text);
}

int TListBoxItems::AddWide(const std::u16string& text) {
  const LRESULT index =
      SendMessageW(Hwnd(FOwner.Handle()), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text)));
  if (index == LB_ERR || index == LB_ERRSPACE) throw Exception("无法插入行");
  return static_cast<int>(index);
}

void TListBoxItems::Clear() {
  SendMessageW(Hwnd(FOwner.Handle()), LB_RESETCONTENT, 0, 0);
}

int TListBoxItems::Count() const {
  return static_cast<int>(SendMessageW(Hwnd(FOwner.Handle()), LB_GETCOUNT, 0, 0));
}

std::string TListBoxItems::operator[](int index) const {
  HWND h = Hwnd(FOwner.Handle());
  const LRESULT length = SendMessageW(h, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) throw Exception("列表索引越界");
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const LRESULT got = SendMessageW(h, LB_GETTEXT, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
  return Utf16ToUtf8(text);
}

int TListBox::ItemIndex() const {
  // A const read of a list box that has no window yet has no selection.
  if (!HandleAllocated()) return -1;
  return static_cast<int>(
      SendMessageW(Hwnd(const_cast<TListBox*>(this)->Handle()), LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int index) {
  SendMessageW(Hwnd(Handle()), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

TWinControl::TCreateParams TListBox::CreateParams() const {
  return {u"LISTBOX", WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};
}

TButton::TButton(TForm* owner, std::string_view name) : TWinControl(owner, name) {
  OnClick = BindNotify(FRecord.OnClick);
}

void TButton::Click() {
  if (TNotifyEvent handler = OnClick) handler(this);
}

TWinControl::TCreateParams TButton::CreateParams() const {
  return {u"BUTTON", BS_PUSHBUTTON, 0};
}

void TButton::Notify(unsigned code) {
  if (code == BN_CLICKED) Click();
}

TLabel::TLabel(TForm* owner, std::string_view name) : TWinControl(owner, name) {
  OnClick = BindNotify(FRecord.OnClick);
  FRecord.TabOrder = -1;  // labels never take the focus
}

void TLabel::Click() {
  if (TNotifyEvent handler = OnClick) handler(this);
}

TWinControl::TCreateParams TLabel::CreateParams() const {
  return {u"STATIC", SS_LEFT | SS_NOTIFY, 0};
}

void TLabel::Notify(unsigned code) {
  if (code == STN_CLICKED) Click();
}

void TLabel::Created() {
  if (!FRecord.AutoSize) return;
  HWND h = Hwnd(Handle());
  const std::u16string text = Utf8ToUtf16(FRecord.Caption);
  TWindowDC dc(h);
  TSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(h, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc.Get(), Wide(text), static_cast<int>(text.size()), &size);
  SetWindowPos(h, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TWinControl::TCreateParams TMemo::CreateParams() const {
  return {u"EDIT",
          ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL,
          WS_EX_CLIENTEDGE};
}

}  // namespace zez
