// Passwords for SMTP relays, one per relay host and user name, kept out of the settings, the
// project files and every transcript. Where a desktop session runs a secret service (reached over
// the session bus through libsecret) they live there; otherwise in a file beside the settings
// that only its owner may read (mode 0600). A file that others may read is refused, not used.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace norvane {

// The store could not be read or written; what() says which store and why.
class SecretStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SecretStore {
 public:
  virtual ~SecretStore() = default;

  // The password stored for `user` at `host`; nothing when none is. Throws SecretStoreError.
  virtual std::optional<std::string> Lookup(const std::string& host, const std::string& user) = 0;
  // Stores (or replaces) it. Throws SecretStoreError.
  virtual void Store(const std::string& host, const std::string& user, const std::string& password) = 0;
  // Removes it; false when there was none. Throws SecretStoreError.
  virtual bool Forget(const std::string& host, const std::string& user) = 0;
  // "the desktop's secret store" or the file's path, for messages.
  virtual std::string Where() const = 0;
};

// The desktop's store when there is one, else the file at SecretFilePath().
std::unique_ptr<SecretStore> OpenSecretStore();
// The desktop's store; null when there is no session bus or no secret service answers on it.
std::unique_ptr<SecretStore> OpenDesktopSecretStore();
std::unique_ptr<SecretStore> OpenFileSecretStore(const std::string& path);
// "Norvane.passwords" in the folder of the settings file (NORVANE_CONFIG moves both).
std::string SecretFilePath();

}  // namespace norvane
