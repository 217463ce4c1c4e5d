#include "ui/Layout.h"

#include <algorithm>
#include <cstdlib>

namespace zez {

namespace {

bool IsChildWindow(TComponentKind kind) {
  switch (kind) {
    case TComponentKind::ListBox:
    case TComponentKind::Button:
    case TComponentKind::Label:
    case TComponentKind::Memo:
      return true;
    default:
      return false;
  }
}

bool TakesTabStop(const TComponentRecord& r) {
  return IsChildWindow(r.Kind) && r.Kind != TComponentKind::Label && r.TabOrder >= 0;
}

}  // namespace

int MulDivRound(int n, int numerator, int denominator) {
  if (denominator == 0) return -1;  // as MulDiv
  const long long product = static_cast<long long>(n) * numerator;
  const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
  const bool negative = (product < 0) != (denominator < 0);
  const long long magnitude =
      (std::llabs(product) + half) / std::llabs(static_cast<long long>(denominator));
  return static_cast<int>(negative ? -magnitude : magnitude);
}

TComponentRecord ScaledRecord(const TComponentRecord& record, int screenDpi, int designDpi) {
  TComponentRecord r = record;
  if (screenDpi == designDpi || designDpi <= 0 || screenDpi <= 0) return r;
  auto scale = [&](int v) { return MulDivRound(v, screenDpi, designDpi); };
  if (r.Kind != TComponentKind::Form) {
    r.Left = scale(r.Left);
    r.Top = scale(r.Top);
  }
  r.Width = scale(r.Width);
  r.Height = scale(r.Height);
  r.Font.Height = scale(r.Font.Height);
  r.ItemHeight = scale(r.ItemHeight);
  return r;
}

const TComponentRecord* FormRecord(TLayout layout) {
  for (const auto& r : layout)
    if (r.Kind == TComponentKind::Form) return &r;
  return nullptr;
}

const TComponentRecord* FindRecord(TLayout layout, std::string_view name) {
  for (const auto& r : layout)
    if (name == r.Name) return &r;
  return nullptr;
}

std::vector<std::size_t> CreationOrder(TLayout layout) {
  std::vector<std::size_t> tabbed, rest;
  for (std::size_t i = 0; i < layout.size(); ++i) {
    if (!IsChildWindow(layout[i].Kind)) continue;
    (TakesTabStop(layout[i]) ? tabbed : rest).push_back(i);
  }
  std::stable_sort(tabbed.begin(), tabbed.end(), [&](std::size_t a, std::size_t b) {
    return layout[a].TabOrder < layout[b].TabOrder;
  });
  tabbed.insert(tabbed.end(), rest.begin(), rest.end());
  return tabbed;
}

std::vector<std::string_view> TabSequence(TLayout layout) {
  std::vector<std::string_view> names;
  for (std::size_t i : CreationOrder(layout)) {
    const auto& r = layout[i];
    if (TakesTabStop(r) && r.Visible && r.Enabled) names.push_back(r.Name);
  }
  return names;
}

}  // namespace zez
