// The layout is scaled at load to the system's density. Wine takes it from
// HKCU\Control Panel\Desktop "LogPixels" when a process starts, so each case
// sets it, starts a probe program, and puts the value back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "WinTestSupport.h"
#include "ui/Layout.h"
#include "ui/ScopeGuard.h"

namespace {

using zez::MulDivRound;

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

std::optional<DWORD> ReadLogPixels() {
  DWORD value = 0, size = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

void WriteLogPixels(std::optional<DWORD> value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  if (value)
    RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*value),
                   sizeof(DWORD));
  else
    RegDeleteValueW(key, L"LogPixels");
  RegCloseKey(key);
}

std::string Expected(int dpi) {
  auto px = [dpi](int v) { return MulDivRound(v, dpi, 96); };
  char line[256];
  std::snprintf(line, sizeof(line),
                "dpi=%d client=%dx%d Button1=%d,%d,%d,%d ListBox1=%d,%d,%d,%d font=%d left=192 "
                "top=114\r\n",  // the C runtime writes text mode
                dpi, px(263), px(321), px(14), px(251), px(59), px(38), px(8), px(8), px(234),
                px(225), px(-12));
  return line;
}

TEST(UiDpi, LayoutScalesWithTheSystemDensity) {
  const std::optional<DWORD> saved = ReadLogPixels();
  zez::TScopeGuard restore([&] { WriteLogPixels(saved); });
  for (int dpi : {96, 120, 144}) {
    SCOPED_TRACE(dpi);
    WriteLogPixels(static_cast<DWORD>(dpi));
    const auto result = zez::test::RunProgram(zez::test::HelperCommand(L"uiformprobe.exe", ""));
    ASSERT_EQ(result.ExitCode, 0u);
    EXPECT_EQ(result.Output, Expected(dpi));
  }
}

}  // namespace
