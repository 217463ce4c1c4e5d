// The clipboard object reading hostile blocks that another process put on the
// real clipboard, in exact sizes: every read gives a defined text and stays
// inside the block. Wine makes a block's last byte (CF_TEXT) or character
// (CF_UNICODETEXT) its terminator, so what comes back is cut there.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "clipboard/Clipbrd.h"

namespace zez {
namespace {

using test::HelperCommand;
using test::RunProgram;

struct TCase {
  const char* Name;
  const char* Arguments;  // for clipstorm
  std::string Read;       // what ReadClipboardText returns
};

TEST(HostileClipboard, EveryBlockReadsAsADefinedText) {
  const std::vector<TCase> cases = {
      {"no zero byte", "put 1 616263", "ab"},
      {"a zero in the middle", "put 1 61620063640000", "ab"},
      {"a 1-byte block holding 0", "put 1 00", ""},
      {"a 1-byte block holding A", "put 1 41", ""},
      {"a lone lead byte before the zero", "put 1 61628100", "ab\x81"},
      {"0x80 and 0xFF", "put 1 80ff00", "\x80\xff"},
      {"only CR LF", "put 1 0d0a0d0a00", "\r\n\r\n"},
      {"Unicode without a terminator", "put 13 78007900", "x"},
      {"Unicode of odd size", "put 13 6100620063", "a"},
      {"Unicode, unpaired high surrogate", "put 13 610000d862000000", "a?b"},
      {"Unicode, unpaired low surrogate", "put 13 610000dc0000", "a?"},
      {"a 1 MB block without a zero", "put-fill 1 1048576 41", std::string(1048575, 'A')},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    test::TRunResult put = RunProgram(HelperCommand(L"clipstorm.exe", c.Arguments));
    ASSERT_EQ(put.ExitCode, 0u) << put.Output;
    ClipText text = Clipboard().ReadClipboardText();
    EXPECT_EQ(text.Ansi().size(), c.Read.size());
    EXPECT_EQ(text.Ansi(), c.Read);
    EXPECT_EQ(Clipboard().OpenDepth(), 0);
  }
}

TEST(HostileClipboard, AZeroSizedBlockIsRefusedAndTheOldTextStays) {
  ASSERT_EQ(RunProgram(HelperCommand(L"clipstorm.exe", "put 1 6f6c6400")).ExitCode, 0u);
  // The system will not take an empty block: the helper says so.
  EXPECT_EQ(RunProgram(HelperCommand(L"clipstorm.exe", "put 1")).ExitCode, 1u);
  EXPECT_EQ(Clipboard().ReadClipboardText().Ansi(), "");  // emptied before the refused set
}

}  // namespace
}  // namespace zez
