#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "support/unprivileged.h"

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

std::string SaveError(const std::string& path, const std::string& content = "x") {
  try {
    WriteFileAtomically(path, content);
  } catch (const AtomicFileError& error) {
    return error.what();
  }
  return "no error";
}

// Every way a save can fail names the file as given, the step that failed and
// the system's reason, so the person can tell a full disk from a wrong folder.
TEST(AtomicFile, EveryFailureNamesTheStepAndTheSystemsReason) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("folder"));
  WriteFile(dir.File("folder/inside"), "x");
  std::filesystem::create_symlink("loop-b", dir.File("loop-a"));
  std::filesystem::create_symlink("loop-a", dir.File("loop-b"));
  struct Case {
    std::string path, message;
  } cases[] = {
      {dir.File("no/such/file"), "Cannot save '" + dir.File("no/such/file") +
                                     "': create temporary file failed: no such file or directory"},
      {dir.File("folder"), "Cannot save '" + dir.File("folder") + "': rename failed: is a directory"},
      {dir.File("loop-a"), "Cannot save '" + dir.File("loop-a") +
                               "': resolve symbolic link failed: too many levels of symbolic links"},
  };
  for (const Case& c : cases) EXPECT_EQ(SaveError(c.path), c.message);

  AtomicFile::FailAfterBytesForTesting(0);
  EXPECT_EQ(SaveError(dir.File("full.txt")),
            "Cannot save '" + dir.File("full.txt") + "': write failed: no space left on device");
  AtomicFile::FailAfterBytesForTesting(-1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("full.txt")));
}

TEST(AtomicFile, ReadOnlyFolderSaysPermissionDeniedAndKeepsTheFile) {
  TempDir dir;
  std::string path = dir.File("demo.nvp");
  WriteFile(path, "old");
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  std::string message = test::RunUnprivileged([&] { return SaveError(path, "new"); });
  ::chmod(dir.path().c_str(), 0700);
  EXPECT_EQ(message, "Cannot save '" + path + "': create temporary file failed: permission denied");
  EXPECT_EQ(ReadFile(path), "old");
  EXPECT_EQ(FilesIn(dir.path()), 1u);
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// Saving through a symbolic link writes the file the link points to and keeps
// the link; the file keeps its mode and, where the process may set it, its owner.
TEST(AtomicFile, SavesThroughSymbolicLinksAndKeepsModeAndOwner) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("real"));
  std::filesystem::create_directory(dir.File("links"));
  std::string target = dir.File("real/project.nvp");
  WriteFile(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
  }
  std::filesystem::create_symlink("../real/project.nvp", dir.File("links/p.nvp"));
  std::filesystem::create_symlink(dir.File("links/p.nvp"), dir.File("chain.nvp"));  // a link to a link

  for (const char* via : {"links/p.nvp", "chain.nvp"}) {
    WriteFileAtomically(dir.File(via), std::string("saved via ") + via);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File(via))) << via;
    EXPECT_EQ(std::filesystem::read_symlink(dir.File("links/p.nvp")), "../real/project.nvp");
    EXPECT_EQ(ReadFile(target), std::string("saved via ") + via);
    EXPECT_EQ(ModeOf(target), 0640u);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    if (root) {
      EXPECT_EQ(info.st_uid, 65534u);
      EXPECT_EQ(info.st_gid, 65534u);
    }
    EXPECT_EQ(FilesIn(dir.File("real")), 1u);   // no temporary file left beside the target
    EXPECT_EQ(FilesIn(dir.File("links")), 1u);  // and none beside the link
  }

  // A link whose file does not exist yet: the file is made where the link points.
  std::filesystem::create_symlink("real/new.nvp", dir.File("dangling.nvp"));
  WriteFileAtomically(dir.File("dangling.nvp"), "first");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("dangling.nvp")));
  EXPECT_EQ(ReadFile(dir.File("real/new.nvp")), "first");
}

TEST(AtomicFile, NewFileGetsTheModeOfTheUmask) {
  TempDir dir;
  mode_t previous = ::umask(027);
  WriteFileAtomically(dir.File("new.txt"), "x");
  ::umask(previous);
  EXPECT_EQ(ModeOf(dir.File("new.txt")), 0640u);
}

TEST(AtomicFile, OwnerOnlyFilesAre0600WhateverTheUmaskOrTheOldMode) {
  TempDir dir;
  mode_t previous = ::umask(0);
  WriteFileAtomically(dir.File("new.pem"), "key", FileAccess::kOwnerOnly);
  WriteFile(dir.File("old.pem"), "old");
  ::chmod(dir.File("old.pem").c_str(), 0644);
  WriteFileAtomically(dir.File("old.pem"), "key", FileAccess::kOwnerOnly);
  ::umask(previous);
  EXPECT_EQ(ModeOf(dir.File("new.pem")), 0600u);
  EXPECT_EQ(ModeOf(dir.File("old.pem")), 0600u);
  EXPECT_EQ(ReadFile(dir.File("old.pem")), "key");
}

}  // namespace
}  // namespace norvane
