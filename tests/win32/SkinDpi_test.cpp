// The skinned frame at each density: a probe process per LogPixels value (Wine
// reads it at process start), which is put back afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "WinTestSupport.h"
#include "ui/Layout.h"
#include "ui/ScopeGuard.h"
#include "ui/Skin.h"

namespace {

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

TEST(SkinDpi, TheFrameScalesAndTheClientAreaKeepsItsDesignedSize) {
  const std::optional<DWORD> saved = ReadLogPixels();
  zez::TScopeGuard restore([&] { WriteLogPixels(saved); });
  for (int dpi : {96, 120, 144}) {
    SCOPED_TRACE(dpi);
    WriteLogPixels(static_cast<DWORD>(dpi));
    const auto result =
        zez::test::RunProgram(zez::test::HelperCommand(L"skinprobe.exe", "stored rows 5"));
    ASSERT_EQ(result.ExitCode, 0u) << result.Output;
    const zez::TSkinMetrics m = zez::ScaleSkin(zez::TSkin{}, dpi);
    const int cw = zez::MulDivRound(263, dpi, 96), ch = zez::MulDivRound(321, dpi, 96);
    char expected[256];
    std::snprintf(expected, sizeof expected,
                  "dpi=%d client=%dx%d window=192,114,%d,%d border=%d caption=%d ", dpi, cw, ch,
                  cw + 2 * m.Border, ch + m.Caption + m.Border, m.Border, m.Caption);
    EXPECT_EQ(result.Output.rfind(expected, 0), 0u) << result.Output;
    EXPECT_NE(result.Output.find("applied=1 problems=0"), std::string::npos) << result.Output;
    EXPECT_NE(result.Output.find("closed=0"), std::string::npos);
  }
}

}  // namespace
