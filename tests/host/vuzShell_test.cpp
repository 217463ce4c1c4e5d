// The working folder and the call ShellOpenFile makes, with a fake shell.
#include "util/vuzShell.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using zez::IsLeadByte932;
using zez::IsLeadByte936;
using zez::NoLeadBytes;
using zez::WorkingFolder;

TEST(WorkingFolder, CasesOfTheDocumentText) {
  struct TCase {
    const char* Document;
    zez::TLeadByteTest LeadByte;
    const char* Folder;
  };
  const TCase cases[] = {
      {"C:\\Docs\\report.txt", NoLeadBytes, "C:\\Docs\\"},
      {"C:\\Docs\\", NoLeadBytes, "C:\\Docs\\"},
      {"C:report.txt", NoLeadBytes, "C:"},
      {"report.txt", NoLeadBytes, ""},
      {"", NoLeadBytes, ""},
      {"\\", NoLeadBytes, "\\"},
      {"https://example.com/page", NoLeadBytes, "https:"},
      {"http://example.com:8080/a/b", NoLeadBytes, "http://example.com:"},
      {"\\\\server\\share\\file.txt", NoLeadBytes, "\\\\server\\share\\"},
      {"C:\\Docs:stream", NoLeadBytes, "C:\\Docs:"},
      // 936: "盶" is B1 5C; the folder ends at the real backslash before it.
      {"C:\\Docs\\\xB1\x5C.txt", IsLeadByte936, "C:\\Docs\\"},
      {"C:\\\xB1\x5C\\a.txt", IsLeadByte936, "C:\\\xB1\x5C\\"},
      {"\xB1\x5C", IsLeadByte936, ""},
      {"\xB1\x5C\xB1\x5C", IsLeadByte936, ""},
      // The same bytes in a single-byte code page are "±\".
      {"C:\\Docs\\\xB1\x5C.txt", NoLeadBytes, "C:\\Docs\\\xB1\x5C"},
      // 932: "表" is 95 5C, "ソ" is 83 5C.
      {"C:\\\x95\x5C\\\x83\x5C.txt", IsLeadByte932, "C:\\\x95\x5C\\"},
      {"\x83\x5C", IsLeadByte932, ""},
      // E0..FC are lead bytes in 932 but A1..DF are single-byte katakana.
      {"\xB1\x5C", IsLeadByte932, "\xB1\x5C"},
      // A colon after a lead byte is that character's second byte too.
      {"x\x81:y", IsLeadByte936, ""},
      // A lead byte with nothing after it ends the text without harm.
      {"C:\\a\x81", IsLeadByte936, "C:\\"},
      {"\x81", IsLeadByte936, ""},
      // A backslash right after a complete double-byte character counts.
      {"\xD6\xD0\\x", IsLeadByte936, "\xD6\xD0\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Document);
    EXPECT_EQ(WorkingFolder(c.Document, c.LeadByte), c.Folder);
  }
}

TEST(ShellSucceeded, AboveThirtyTwoReadAsUnsigned32Bits) {
  struct TCase {
    std::uintptr_t Result;
    bool Success;
  };
  const TCase cases[] = {
      {0, false}, {2, false},         {31, false},         {32, false},         {33, true},
      {42, true}, {0x7FFFFFFF, true}, {0x80000000u, true}, {0xFFFFFFFFu, true},  // would be -1 read
                                                                                 // as signed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Result);
    EXPECT_EQ(zez::ShellSucceeded(c.Result), c.Success);
  }
}

struct TCall {
  zez::TWindowHandle Owner;
  std::optional<std::string> Operation, File, Parameters, Directory;
  int Show;
};

std::optional<std::string> Text(const char* p) {
  return p ? std::optional<std::string>(p) : std::nullopt;
}

class TFakeShell : public zez::TShellSystem {
 public:
  zez::TWindowHandle Active = 0;
  std::uintptr_t Result = 42;
  std::vector<std::string> Order;
  std::vector<TCall> Calls;

  zez::TWindowHandle ActiveWindow() override {
    Order.push_back("GetActiveWindow");
    return Active;
  }
  std::uintptr_t ShellExecuteA(zez::TWindowHandle owner, const char* operation, const char* file,
                               const char* parameters, const char* directory,
                               int showCommand) override {
    Order.push_back("ShellExecuteA");
    Calls.push_back(
        {owner, Text(operation), Text(file), Text(parameters), Text(directory), showCommand});
    return Result;
  }
};

TEST(ShellOpenFile, PassesDocumentParametersFolderAndNullVerb) {
  TFakeShell shell;
  shell.Active = 0x1234;
  EXPECT_TRUE(zez::ShellOpenFile(shell, NoLeadBytes, "C:\\Tools\\run.exe", "-a \"b c\""));
  ASSERT_EQ(shell.Calls.size(), 1u);
  const TCall& call = shell.Calls[0];
  EXPECT_EQ(call.Owner, 0x1234u);
  EXPECT_EQ(call.Operation, std::nullopt);
  EXPECT_EQ(call.File, "C:\\Tools\\run.exe");
  EXPECT_EQ(call.Parameters, "-a \"b c\"");
  EXPECT_EQ(call.Directory, "C:\\Tools\\");
  EXPECT_EQ(call.Show, 1);
  EXPECT_EQ(shell.Order, (std::vector<std::string>{"GetActiveWindow", "ShellExecuteA"}));
}

TEST(ShellOpenFile, EmptyTextsArePassedAsEmptyStringsNotNull) {
  const char* documents[] = {"report.txt", ""};
  for (const char* document : documents) {
    SCOPED_TRACE(document);
    TFakeShell shell;
    zez::ShellOpenFile(shell, NoLeadBytes, document, "");
    ASSERT_EQ(shell.Calls.size(), 1u);  // the shell is called even for an empty document
    EXPECT_EQ(shell.Calls[0].File, document);
    EXPECT_EQ(shell.Calls[0].Parameters, "");
    EXPECT_EQ(shell.Calls[0].Directory, "");
    EXPECT_EQ(shell.Calls[0].Owner, 0u);
  }
}

TEST(ShellOpenFile, WebAddressGetsItsSchemeAsFolder) {
  TFakeShell shell;
  zez::ShellOpenFile(shell, IsLeadByte936, "https://example.com/page", "");
  ASSERT_EQ(shell.Calls.size(), 1u);
  EXPECT_EQ(shell.Calls[0].Directory, "https:");
}

TEST(ShellOpenFile, FolderUsesTheGivenLeadByteTest) {
  TFakeShell shell;
  zez::ShellOpenFile(shell, IsLeadByte936, "C:\\\xD6\xD0\\\xB1\x5C.exe", "");
  zez::ShellOpenFile(shell, NoLeadBytes, "C:\\\xD6\xD0\\\xB1\x5C.exe", "");
  ASSERT_EQ(shell.Calls.size(), 2u);
  EXPECT_EQ(shell.Calls[0].Directory, "C:\\\xD6\xD0\\");
  EXPECT_EQ(shell.Calls[1].Directory, "C:\\\xD6\xD0\\\xB1\\");
}

TEST(ShellOpenFile, ResultFollowsTheShellAndOwnerIsTakenAtEachCall) {
  struct TCase {
    std::uintptr_t Result;
    bool Success;
  };
  const TCase cases[] = {{32, false}, {33, true}, {0, false}, {2, false}};
  TFakeShell shell;
  zez::TWindowHandle active = 100;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Result);
    shell.Result = c.Result;
    shell.Active = ++active;
    EXPECT_EQ(zez::ShellOpenFile(shell, NoLeadBytes, "x.txt", ""), c.Success);
    EXPECT_EQ(shell.Calls.back().Owner, active);
  }
}

TEST(ShellOpenFile, TextsAreCopiedWithTheirTerminatingZero) {
  // Views into a longer text: the shell must see only the viewed part.
  const std::string whole = "C:\\a\\b.exe-xyz";
  TFakeShell shell;
  zez::ShellOpenFile(shell, NoLeadBytes, std::string_view(whole).substr(0, 10),
                     std::string_view(whole).substr(10, 2));
  ASSERT_EQ(shell.Calls.size(), 1u);
  EXPECT_EQ(shell.Calls[0].File, "C:\\a\\b.exe");
  EXPECT_EQ(shell.Calls[0].Parameters, "-x");
  EXPECT_EQ(shell.Calls[0].Directory, "C:\\a\\");
}

}  // namespace
