// The user's registry hive: hierarchical keys holding named string values,
// kept in one text file per root key in the REGEDIT4 layout ("[key]" lines,
// then "name"="value" lines). Only HKEY_CURRENT_USER exists; its file is
// ${XDG_CONFIG_HOME:-~/.config}/Kalvento/Norvane.reg unless NORVANE_CONFIG
// names another file.
//
// Every call reads the file afresh and every change rewrites it whole through
// a temporary file and a rename, so a crash never leaves half a file and two
// processes writing at once lose at most the other's last change, never the
// file. The file is small (a few dozen values), so the re-reading costs
// nothing that matters.
//
// Key paths are relative to the hive's root with "\" between the parts; a
// leading backslash is allowed and means the same. Key and value names are
// compared without regard to letter case and keep the case first written.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace norvane {

class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The parsed content of a hive file. Values other than strings (dword:, hex:)
// are kept as their raw text so that rewriting the file keeps them.
struct RegistryValue {
  std::string Name;  // empty for the key's default value ("@")
  std::string Data;  // the string, or the raw text after "=" for other types
  bool IsString = true;
};

struct RegistryKeyData {
  std::string Path;  // without the root key's name
  std::vector<RegistryValue> Values;
};

class RegistryDocument {
 public:
  // Parses the file's bytes; throws RegistryError naming the line for text it
  // cannot read, so that a damaged file is reported and never overwritten.
  static RegistryDocument Parse(std::string_view text, const std::string& origin);
  std::string Serialize() const;

  RegistryKeyData* FindKey(std::string_view path);
  const RegistryKeyData* FindKey(std::string_view path) const;
  // Creates the key and every missing parent.
  RegistryKeyData& CreateKey(std::string_view path);
  // Removes the key, its values and every subkey below it; false when absent.
  bool DeleteKey(std::string_view path);

  const std::vector<RegistryKeyData>& Keys() const { return keys_; }

 private:
  std::vector<RegistryKeyData> keys_;
};

class RegistryHive {
 public:
  explicit RegistryHive(std::string filePath) : filePath_(std::move(filePath)) {}

  // HKEY_CURRENT_USER at the path the environment gives now.
  static RegistryHive CurrentUser();
  static std::string CurrentUserPath();

  const std::string& filePath() const { return filePath_; }

  bool KeyExists(std::string_view key) const;
  // Creates the key and its parents when missing (writes only when something was missing).
  void CreateKey(std::string_view key);
  // Deletes the key with all its values and subkeys; false when it did not exist.
  bool DeleteKey(std::string_view key);

  // The string value, or nothing when the key or the value is missing.
  // A value of another type throws RegistryError "Invalid data type for '<name>'".
  std::optional<std::string> ReadString(std::string_view key, std::string_view name) const;
  // Creates the key when missing and stores the value as a string.
  // Throws RegistryError "Failed to set data for '<name>'" with the reason.
  void WriteString(std::string_view key, std::string_view name, std::string_view value);
  // Names of the key's values, in file order; empty when the key is missing.
  std::vector<std::string> ValueNames(std::string_view key) const;

  // The key's values read at once (nothing when the key is missing), for
  // readers of many values.
  std::optional<RegistryKeyData> ReadKey(std::string_view key) const;
  // Deletes the key with its subkeys and creates it again holding exactly
  // these string values, in one write, so no reader ever sees half of it.
  void ReplaceKey(std::string_view key, const std::vector<std::pair<std::string, std::string>>& values);

 private:
  RegistryDocument Load() const;
  void Save(const RegistryDocument& document) const;

  std::string filePath_;
};

// Joins key paths: "\a\b" + "c" -> "a\b\c" (leading and trailing separators dropped).
std::string JoinRegistryPath(std::string_view parent, std::string_view child);

}  // namespace norvane
