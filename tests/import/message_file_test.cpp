#include "import/message_file.h"

#include <gtest/gtest.h>

#include "import/text_file.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

TEST(MessageFile, EveryLineEndBecomesCrLfAndNulEndsTheText) {
  struct Case {
    std::string bytes, want;
  } cases[] = {
      {"a\r\nb", "a\r\nb"},
      {"a\nb\n", "a\r\nb\r\n"},
      {"a\rb", "a\r\nb"},
      {"a\n\rb", "a\r\n\r\nb"},
      {std::string("a\nb\0c\nd", 7), "a\r\nb"},
      {"\xE4\x1A", "\xE4\x1A"},  // bytes stay as they are
  };
  for (const Case& c : cases) EXPECT_EQ(MessageTextFromBytes(c.bytes), c.want);

  test::TempDir dir;
  test::WriteFile(dir.File("m.txt"), "Hello <name>\nBye\n");
  EXPECT_EQ(ReadMessageFile(dir.File("m.txt")), "Hello <name>\r\nBye\r\n");
  try {
    ReadMessageFile(dir.File("none.txt"));
    FAIL();
  } catch (const EInOutError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file " + dir.File("none.txt"));
  }
}

}  // namespace
}  // namespace norvane
