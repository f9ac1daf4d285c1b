#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::size_t FilesIn(const std::string& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

TEST(AtomicFile, ReplacesTheOldContentWholeAndLeavesNoTemporaryFile) {
  TempDir dir;
  std::string path = dir.File("project.nvp");
  WriteFile(path, "old");
  std::string big(200000, 'x');  // larger than the write buffer
  WriteFileAtomically(path, big);
  EXPECT_EQ(ReadFile(path), big);
  EXPECT_EQ(FilesIn(dir.path()), 1u);
}

// A failure at any byte must leave the previous file untouched.
TEST(AtomicFile, FailedWriteAtAnyPointKeepsTheOldFile) {
  TempDir dir;
  std::string path = dir.File("settings.reg");
  WriteFile(path, "previous content");
  std::string content(150000, 'n');
  for (long long failAt : {0LL, 1LL, 65535LL, 65536LL, 149999LL}) {
    AtomicFile::FailAfterBytesForTesting(failAt);
    try {
      WriteFileAtomically(path, content);
      ADD_FAILURE() << "no error when failing after " << failAt;
    } catch (const AtomicFileError& error) {
      EXPECT_NE(std::string(error.what()).find("write failed"), std::string::npos) << error.what();
    }
    AtomicFile::FailAfterBytesForTesting(-1);
    EXPECT_EQ(ReadFile(path), "previous content");
    EXPECT_EQ(FilesIn(dir.path()), 1u) << "temporary file left after failing at " << failAt;
  }
}

TEST(AtomicFile, UncommittedWriterRemovesItsTemporaryFile) {
  TempDir dir;
  {
    AtomicFile file(dir.File("a.txt"));
    file.Write("half");
  }
  EXPECT_EQ(FilesIn(dir.path()), 0u);
}

TEST(AtomicFile, MissingFolderIsReportedWithTheStep) {
  TempDir dir;
  try {
    WriteFileAtomically(dir.File("no/such/file"), "x");
    FAIL();
  } catch (const AtomicFileError& error) {
    EXPECT_NE(std::string(error.what()).find("create temporary file failed"), std::string::npos);
  }
}

}  // namespace
}  // namespace norvane
