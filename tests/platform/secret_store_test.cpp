// Relay passwords: the file kept for sessions without a desktop secret service (its mode, its
// contents, what it refuses), and the choice of store when a session bus has no secret service.
#include "platform/secret_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace norvane {
namespace {

// Sets an environment variable for the life of the object (unset when `value` is null).
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

unsigned ModeOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

TEST(FileSecretStore, KeepsOnePasswordPerHostAndUserInAFileOnlyItsOwnerReads) {
  test::TempDir dir;
  const std::string path = dir.File("settings/Norvane.passwords");
  auto store = OpenFileSecretStore(path);
  EXPECT_EQ(store->Lookup("smtp.example.test", "ann"), std::nullopt);  // no file yet
  EXPECT_FALSE(store->Forget("smtp.example.test", "ann"));

  const std::string odd = "tab\there, line\r\nbreak, caf\xe9, \"quote\" and = signs";
  store->Store("smtp.example.test", "ann", odd);
  store->Store("smtp.example.test", "bob", "second");
  store->Store("other.example.test", "ann", "third");
  store->Store("smtp.example.test", "ann", odd + " (new)");
  EXPECT_EQ(ModeOf(path), 0600u);

  auto reopened = OpenFileSecretStore(path);
  EXPECT_EQ(reopened->Lookup("smtp.example.test", "ann"), odd + " (new)");
  EXPECT_EQ(reopened->Lookup("smtp.example.test", "bob"), "second");
  EXPECT_EQ(reopened->Lookup("other.example.test", "ann"), "third");
  EXPECT_EQ(reopened->Lookup("other.example.test", "bob"), std::nullopt);
  EXPECT_EQ(reopened->Where(), path);
  // Not readable at a glance over someone's shoulder either.
  EXPECT_EQ(test::ReadFile(path).find("second"), std::string::npos);

  EXPECT_TRUE(reopened->Forget("smtp.example.test", "bob"));
  EXPECT_EQ(OpenFileSecretStore(path)->Lookup("smtp.example.test", "bob"), std::nullopt);
  EXPECT_EQ(OpenFileSecretStore(path)->Lookup("smtp.example.test", "ann"), odd + " (new)");
  EXPECT_EQ(ModeOf(path), 0600u);

  EXPECT_THROW(store->Store("smtp.example.test\nX", "ann", "x"), SecretStoreError);
  EXPECT_THROW(store->Store("smtp.example.test", "ann\tx", "x"), SecretStoreError);
}

TEST(FileSecretStore, RefusesAFileOthersMayRead) {
  test::TempDir dir;
  const std::string path = dir.File("Norvane.passwords");
  OpenFileSecretStore(path)->Store("smtp.example.test", "ann", "s3cret");
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  const std::string before = test::ReadFile(path);
  try {
    OpenFileSecretStore(path)->Lookup("smtp.example.test", "ann");
    FAIL() << "read";
  } catch (const SecretStoreError& error) {
    EXPECT_NE(std::string(error.what()).find("mode 0644"), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
  }
  EXPECT_THROW(OpenFileSecretStore(path)->Store("smtp.example.test", "bob", "x"), SecretStoreError);
  EXPECT_EQ(test::ReadFile(path), before);
  EXPECT_EQ(ModeOf(path), 0644u);
}

TEST(SecretStoreChoice, WithoutASecretServiceThePasswordsGoToTheFileBesideTheSettings) {
  test::TempDir dir;
  ScopedEnv config("NORVANE_CONFIG", dir.File("conf/Norvane.reg").c_str());
  EXPECT_EQ(SecretFilePath(), dir.File("conf/Norvane.passwords"));
  {
    ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", nullptr);
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path().c_str());
    EXPECT_EQ(OpenSecretStore()->Where(), dir.File("conf/Norvane.passwords"));
  }
  // A session bus on which no secret service answers: the file all the same.
  const std::string out = dir.File("dbus.out");
  ASSERT_EQ(test::RunToEnd({"dbus-daemon", "--session", "--fork", "--address=unix:path=" + dir.File("bus"),
                            "--print-address=1", "--print-pid=1"},
                           out),
            0)
      << test::ReadFile(out);
  const std::string printed = test::ReadFile(out);
  const std::string address = printed.substr(0, printed.find('\n'));
  const pid_t daemon = std::atoi(printed.substr(printed.find('\n') + 1).c_str());
  {
    ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", address.c_str());
    EXPECT_EQ(OpenDesktopSecretStore(), nullptr);
    auto store = OpenSecretStore();
    EXPECT_EQ(store->Where(), dir.File("conf/Norvane.passwords"));
    store->Store("smtp.example.test", "ann", "s3cret");
    EXPECT_EQ(ModeOf(dir.File("conf/Norvane.passwords")), 0600u);
  }
  if (daemon > 0) kill(daemon, SIGTERM);
}

}  // namespace
}  // namespace norvane
