#include "platform/secret_store.h"

#include <glib.h>
#include <libsecret/secret.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/registry.h"

namespace norvane {

namespace {

// --- the desktop's secret service ------------------------------------------------------------------

const SecretSchema* RelaySchema() {
  static const SecretSchema schema = {"org.kalvento.Norvane.SmtpRelay",
                                      SECRET_SCHEMA_NONE,
                                      {{"host", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr};
  return &schema;
}

// Takes ownership of a GError and turns it into the exception.
[[noreturn]] void ThrowDesktopError(const char* what, GError* error) {
  std::string text = std::string("The desktop's secret store could not ") + what + ": " +
                     (error && error->message ? error->message : "unknown error");
  if (error) g_error_free(error);
  throw SecretStoreError(text);
}

class DesktopSecretStore : public SecretStore {
 public:
  std::optional<std::string> Lookup(const std::string& host, const std::string& user) override {
    GError* error = nullptr;
    gchar* password = secret_password_lookup_sync(RelaySchema(), nullptr, &error, "host", host.c_str(),
                                                  "user", user.c_str(), nullptr);
    if (error) ThrowDesktopError("be read", error);
    if (!password) return std::nullopt;
    std::string text = password;
    secret_password_free(password);
    return text;
  }

  void Store(const std::string& host, const std::string& user, const std::string& password) override {
    GError* error = nullptr;
    const std::string label = "Norvane: " + user + " at " + host;
    secret_password_store_sync(RelaySchema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                               nullptr, &error, "host", host.c_str(), "user", user.c_str(), nullptr);
    if (error) ThrowDesktopError("store the password", error);
  }

  bool Forget(const std::string& host, const std::string& user) override {
    GError* error = nullptr;
    const gboolean removed = secret_password_clear_sync(RelaySchema(), nullptr, &error, "host", host.c_str(),
                                                        "user", user.c_str(), nullptr);
    if (error) ThrowDesktopError("remove the password", error);
    return removed;
  }

  std::string Where() const override { return "the desktop's secret store"; }
};

bool SessionBusThere() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) return true;
  // A systemd user session has its bus at a fixed place without announcing it.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return false;
  struct stat info {};
  return stat((std::string(runtime) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// --- the file ---------------------------------------------------------------------------------------

// One line per password: host TAB user TAB base64(password). Host and user names hold no tab or
// line break (the callers refuse them); the password may hold anything.
struct Entry {
  std::string host, user, password;
};

std::string Encode(const std::string& bytes) {
  gchar* text = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  std::string out = text;
  g_free(text);
  return out;
}

std::string Decode(const std::string& text) {
  gsize length = 0;
  guchar* bytes = g_base64_decode(text.c_str(), &length);
  std::string out(reinterpret_cast<const char*>(bytes), length);
  g_free(bytes);
  return out;
}

void CheckName(const std::string& text, const char* what) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < ' ')
      throw SecretStoreError(std::string("The ") + what + " may not hold control characters");
  }
}

class FileSecretStore : public SecretStore {
 public:
  explicit FileSecretStore(std::string path) : path_(std::move(path)) {}

  std::optional<std::string> Lookup(const std::string& host, const std::string& user) override {
    for (const Entry& entry : Read())
      if (entry.host == host && entry.user == user) return entry.password;
    return std::nullopt;
  }

  void Store(const std::string& host, const std::string& user, const std::string& password) override {
    CheckName(host, "relay host");
    CheckName(user, "user name");
    std::vector<Entry> entries = Read();
    std::erase_if(entries, [&](const Entry& e) { return e.host == host && e.user == user; });
    entries.push_back({host, user, password});
    Write(entries);
  }

  bool Forget(const std::string& host, const std::string& user) override {
    std::vector<Entry> entries = Read();
    const std::size_t before = entries.size();
    std::erase_if(entries, [&](const Entry& e) { return e.host == host && e.user == user; });
    if (entries.size() == before) return false;
    Write(entries);
    return true;
  }

  std::string Where() const override { return path_; }

 private:
  std::vector<Entry> Read() const {
    std::vector<Entry> entries;
    struct stat info {};
    if (stat(path_.c_str(), &info) != 0) {
      if (errno == ENOENT) return entries;
      throw SecretStoreError("Cannot read '" + path_ + "': " + SystemReason(errno));
    }
    // As ssh does with its keys: a password file others may read is no longer a secret, and
    // using it quietly would hide that.
    if ((info.st_mode & 077) != 0 || info.st_uid != geteuid()) {
      char mode[8];
      std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
      throw SecretStoreError("'" + path_ + "' may be read by others (mode " + mode +
                             "); it must belong to you with mode 0600 (chmod 600)");
    }
    std::ifstream in(path_, std::ios::binary);
    if (!in) throw SecretStoreError("Cannot read '" + path_ + "': " + SystemReason(errno));
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::size_t first = line.find('\t');
      const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
      if (second == std::string::npos) continue;  // not ours: left out, and dropped at the next save
      entries.push_back({line.substr(0, first), line.substr(first + 1, second - first - 1),
                         Decode(line.substr(second + 1))});
    }
    return entries;
  }

  void Write(const std::vector<Entry>& entries) const {
    std::string text;
    for (const Entry& entry : entries)
      text += entry.host + "\t" + entry.user + "\t" + Encode(entry.password) + "\n";
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
    try {
      WriteFileAtomically(path_, text, FileAccess::kOwnerOnly);
    } catch (const AtomicFileError& error) {
      throw SecretStoreError(error.what());
    }
  }

  std::string path_;
};

}  // namespace

std::unique_ptr<SecretStore> OpenDesktopSecretStore() {
  if (!SessionBusThere()) return nullptr;
  // Opening a session asks the service itself, so a bus without one answers "no" here rather
  // than at the first password.
  GError* error = nullptr;
  SecretService* service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
  if (error) g_error_free(error);
  if (!service) return nullptr;
  g_object_unref(service);
  return std::make_unique<DesktopSecretStore>();
}

std::unique_ptr<SecretStore> OpenFileSecretStore(const std::string& path) {
  return std::make_unique<FileSecretStore>(path);
}

std::string SecretFilePath() {
  const std::string settings = RegistryHive::CurrentUserPath();
  const std::size_t slash = settings.rfind('/');
  return (slash == std::string::npos ? std::string(".") : settings.substr(0, slash)) + "/Norvane.passwords";
}

std::unique_ptr<SecretStore> OpenSecretStore() {
  if (auto desktop = OpenDesktopSecretStore()) return desktop;
  return OpenFileSecretStore(SecretFilePath());
}

}  // namespace norvane
