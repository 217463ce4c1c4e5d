// The bench itself: a clipboard round trip between two real processes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "WinTestSupport.h"

namespace {

using zez::test::HelperCommand;
using zez::test::RunProgram;
using zez::test::ToHex;

void SetText(const std::string& bytes) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
  char* p = static_cast<char*>(GlobalLock(block));
  std::memcpy(p, bytes.c_str(), bytes.size() + 1);
  GlobalUnlock(block);
  ASSERT_NE(SetClipboardData(CF_TEXT, block), nullptr);
  CloseClipboard();
}

TEST(ClipboardBench, TextWrittenHereIsReadByAnotherProcess) {
  const std::string text = "line one\r\n\xD6\xD0\xCE\xC4 second\r\n";
  SetText(text);
  auto result = RunProgram(HelperCommand(L"cliptool.exe", "get-text"));
  EXPECT_EQ(result.ExitCode, 0u);
  EXPECT_EQ(result.Output, ToHex(text));
}

TEST(ClipboardBench, TextWrittenByAnotherProcessIsReadHere) {
  const std::string text = "from the helper\r\nok";
  auto result = RunProgram(HelperCommand(L"cliptool.exe", "set-text " + ToHex(text)));
  ASSERT_EQ(result.ExitCode, 0u);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE h = GetClipboardData(CF_TEXT);
  ASSERT_NE(h, nullptr);
  std::string read(static_cast<const char*>(GlobalLock(h)));
  GlobalUnlock(h);
  CloseClipboard();
  EXPECT_EQ(read, text);
}

TEST(ClipboardBench, RunsInCodePage936) {
  EXPECT_EQ(GetACP(), 936u);
}

}  // namespace
