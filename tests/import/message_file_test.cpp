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
      {"a\r\nb", "a\r\nb"},        {"a\nb\n", "a\r\nb\r\n"},   {"a\rb", "a\r\nb"},
      {"a\n\rb", "a\r\n\r\nb"},    {"a\r\r\nb", "a\r\n\r\nb"}, {std::string("a\nb\0c\nd", 7), "a\r\nb"},
      {std::string("\0a", 2), ""}, {"\xE4\x1A", "\xE4\x1A"},  // bytes stay as they are
  };
  for (const Case& c : cases) EXPECT_EQ(MessageTextFromBytes(c.bytes), c.want);

  test::TempDir dir;
  test::WriteFile(dir.File("m.txt"), "Hello <name>\nBye\n");
  EXPECT_EQ(ReadMessageFile(dir.File("m.txt")), "Hello <name>\r\nBye\r\n");
  for (const std::string& path : {dir.File("none.txt"), dir.path()}) {
    try {
      ReadMessageFile(path);
      FAIL() << path;
    } catch (const EInOutError& error) {
      EXPECT_EQ(std::string(error.what()), "Cannot open file " + path);
    }
  }
}

// The file is read in blocks of 64 KiB: a CR LF split between two blocks is
// still one line end.
TEST(MessageFile, LineEndAcrossTheReadBlocks) {
  test::TempDir dir;
  std::string line(65535, 'a');
  test::WriteFile(dir.File("long.txt"), line + "\r\nb\r");
  EXPECT_EQ(ReadMessageFile(dir.File("long.txt")), line + "\r\nb\r\n");
}

TEST(MessageFile, TextBeyondTheEditorsCapacityIsRefused) {
  test::TempDir dir;
  // Line ends count as they are held: a LF becomes two bytes.
  std::string fits(kMemoCapacity - 2, 'x');
  test::WriteFile(dir.File("fits.txt"), fits + "\n");
  EXPECT_EQ(ReadMessageFile(dir.File("fits.txt")).size(), kMemoCapacity);
  test::WriteFile(dir.File("over.txt"), fits + "\n\n");
  EXPECT_THROW(ReadMessageFile(dir.File("over.txt")), EMemoCapacityError);
  EXPECT_THROW(MessageTextFromBytes(fits + "\n\n"), EMemoCapacityError);
  // What follows a NUL does not count.
  test::WriteFile(dir.File("nul.txt"), fits + std::string(1, '\0') + std::string(kMemoCapacity, 'y'));
  EXPECT_EQ(ReadMessageFile(dir.File("nul.txt")), fits);
  try {
    ReadMessageFile(dir.File("over.txt"));
  } catch (const EMemoCapacityError& error) {
    EXPECT_STREQ(error.what(), "Text exceeds memo capacity");
  }
}

// A device that never ends is refused at the capacity, not read forever.
TEST(MessageFile, DevicesAreNotRead) {
  for (const char* device : {"/dev/zero", "/dev/urandom"}) EXPECT_THROW(ReadMessageFile(device), EInOutError);
}

}  // namespace
}  // namespace norvane
