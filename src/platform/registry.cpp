#include "platform/registry.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/atomic_file.h"

namespace norvane {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

// "\a\\b\" -> "a\b": empty parts carry no meaning in a key path.
std::string NormalizePath(std::string_view path) {
  std::string result;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) {
      if (!result.empty()) result += '\\';
      result.append(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return result;
}

bool IsSameOrBelow(std::string_view path, std::string_view key) {
  if (path.size() == key.size()) return SameText(path, key);
  if (key.empty()) return true;
  return path.size() > key.size() && path[key.size()] == '\\' && SameText(path.substr(0, key.size()), key);
}

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      // Line breaks would end the line; REGEDIT4 has no way to hold them, so
      // they get the usual escapes, which this reader undoes.
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

class LineParser {
 public:
  LineParser(std::string_view line, const std::string& origin, int number)
      : line_(line), origin_(origin), number_(number) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw RegistryError("Registry file " + origin_ + " line " + std::to_string(number_) + ": " + what);
  }

  bool AtEnd() const { return pos_ >= line_.size(); }
  char Peek() const { return AtEnd() ? '\0' : line_[pos_]; }
  void Expect(char c) {
    if (Peek() != c) Fail(std::string("expected '") + c + "'");
    ++pos_;
  }
  std::string_view Rest() const { return line_.substr(pos_); }

  // A quoted text with the escapes of Escape().
  std::string Quoted() {
    Expect('"');
    std::string out;
    for (;;) {
      if (AtEnd()) Fail("unterminated text");
      char c = line_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (AtEnd()) Fail("unterminated text");
      char e = line_[pos_++];
      switch (e) {
        case '\\':
          out += '\\';
          break;
        case '"':
          out += '"';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        default:
          Fail(std::string("unknown escape \\") + e);
      }
    }
  }

 private:
  std::string_view line_;
  const std::string& origin_;
  int number_;
  std::size_t pos_ = 0;
};

std::string ReadWholeFile(const std::string& path, bool& exists) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (errno == ENOENT || errno == ENOTDIR) {
      exists = false;
      return {};
    }
    throw RegistryError("Cannot read registry file " + path + ": " + std::strerror(errno));
  }
  exists = true;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) throw RegistryError("Cannot read registry file " + path);
  return buffer.str();
}

void MakeFolders(const std::string& filePath) {
  for (std::size_t slash = filePath.find('/', 1); slash != std::string::npos;
       slash = filePath.find('/', slash + 1)) {
    std::string folder = filePath.substr(0, slash);
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
      throw RegistryError("Cannot create folder " + folder + ": " + std::strerror(errno));
  }
}

}  // namespace

std::string JoinRegistryPath(std::string_view parent, std::string_view child) {
  return NormalizePath(std::string(parent) + "\\" + std::string(child));
}

RegistryDocument RegistryDocument::Parse(std::string_view text, const std::string& origin) {
  RegistryDocument document;
  RegistryKeyData* current = nullptr;
  bool sawHeader = false;
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    start = end + 1;
    ++number;
    int firstNumber = number;
    // Data of other types may continue over several lines ending in "\".
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    LineParser parser(line, origin, firstNumber);
    if (!sawHeader) {
      if (line != kHeader) parser.Fail("not a REGEDIT4 file");
      sawHeader = true;
      continue;
    }
    if (line[0] == '[') {
      if (line.back() != ']') parser.Fail("unterminated key name");
      std::string_view name = std::string_view(line).substr(1, line.size() - 2);
      if (!SameText(name.substr(0, kRoot.size()), kRoot) ||
          (name.size() > kRoot.size() && name[kRoot.size()] != '\\'))
        parser.Fail("only HKEY_CURRENT_USER keys can be kept here");
      current = &document.CreateKey(name.substr(kRoot.size()));
      continue;
    }
    if (current == nullptr) parser.Fail("value outside a key");
    RegistryValue value;
    if (parser.Peek() == '@') {
      parser.Expect('@');
    } else {
      value.Name = parser.Quoted();
    }
    parser.Expect('=');
    if (parser.Peek() == '"') {
      value.Data = parser.Quoted();
      if (!parser.AtEnd()) parser.Fail("text after the value");
    } else {
      std::string raw(parser.Rest());
      auto colon = raw.find(':');
      if (colon == std::string::npos || colon == 0) parser.Fail("unknown value type");
      while (!raw.empty() && raw.back() == '\\' && start < text.size()) {
        end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string more(text.substr(start, end - start));
        start = end + 1;
        ++number;
        while (!more.empty() && more.back() == '\r') more.pop_back();
        raw.pop_back();
        raw += "\\\n" + more;
      }
      value.Data = raw;
      value.IsString = false;
    }
    bool replaced = false;
    for (auto& existing : current->Values) {
      if (SameText(existing.Name, value.Name)) {
        existing = value;
        replaced = true;
      }
    }
    if (!replaced) current->Values.push_back(std::move(value));
  }
  return document;
}

std::string RegistryDocument::Serialize() const {
  std::string out(kHeader);
  out += "\n";
  for (const auto& key : keys_) {
    out += "\n[";
    out += kRoot;
    if (!key.Path.empty()) out += "\\" + key.Path;
    out += "]\n";
    for (const auto& value : key.Values) {
      out += value.Name.empty() ? std::string("@") : "\"" + Escape(value.Name) + "\"";
      out += '=';
      // Raw data kept its own line breaks ("\" then newline) from the file.
      out += value.IsString ? "\"" + Escape(value.Data) + "\"" : value.Data;
      out += '\n';
    }
  }
  return out;
}

RegistryKeyData* RegistryDocument::FindKey(std::string_view path) {
  std::string wanted = NormalizePath(path);
  for (auto& key : keys_)
    if (SameText(key.Path, wanted)) return &key;
  return nullptr;
}

const RegistryKeyData* RegistryDocument::FindKey(std::string_view path) const {
  return const_cast<RegistryDocument*>(this)->FindKey(path);
}

RegistryKeyData& RegistryDocument::CreateKey(std::string_view path) {
  std::string wanted = NormalizePath(path);
  if (auto* key = FindKey(wanted)) return *key;
  auto slash = wanted.find_last_of('\\');
  if (!wanted.empty()) CreateKey(slash == std::string::npos ? std::string() : wanted.substr(0, slash));
  keys_.push_back(RegistryKeyData{wanted, {}});
  return keys_.back();
}

bool RegistryDocument::DeleteKey(std::string_view path) {
  std::string wanted = NormalizePath(path);
  if (FindKey(wanted) == nullptr) return false;
  std::erase_if(keys_, [&](const RegistryKeyData& key) { return IsSameOrBelow(key.Path, wanted); });
  return true;
}

std::string RegistryHive::CurrentUserPath() {
  if (const char* explicitPath = std::getenv("NORVANE_CONFIG"); explicitPath && *explicitPath)
    return explicitPath;
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
      const passwd* entry = getpwuid(getuid());
      home = entry ? entry->pw_dir : "/tmp";
    }
    base = std::string(home) + "/.config";
  }
  return base + "/Kalvento/Norvane.reg";
}

RegistryHive RegistryHive::CurrentUser() {
  return RegistryHive(CurrentUserPath());
}

RegistryDocument RegistryHive::Load() const {
  bool exists = false;
  std::string text = ReadWholeFile(filePath_, exists);
  if (!exists) return {};
  return RegistryDocument::Parse(text, filePath_);
}

void RegistryHive::Save(const RegistryDocument& document) const {
  try {
    MakeFolders(filePath_);
    WriteFileAtomically(filePath_, document.Serialize());
  } catch (const AtomicFileError& error) {
    throw RegistryError(error.what());
  }
}

bool RegistryHive::KeyExists(std::string_view key) const {
  return Load().FindKey(key) != nullptr;
}

void RegistryHive::CreateKey(std::string_view key) {
  RegistryDocument document = Load();
  if (document.FindKey(key) != nullptr) return;
  document.CreateKey(key);
  Save(document);
}

bool RegistryHive::DeleteKey(std::string_view key) {
  RegistryDocument document = Load();
  if (!document.DeleteKey(key)) return false;
  Save(document);
  return true;
}

std::optional<std::string> RegistryHive::ReadString(std::string_view key, std::string_view name) const {
  RegistryDocument document = Load();
  const RegistryKeyData* data = document.FindKey(key);
  if (data == nullptr) return std::nullopt;
  for (const auto& value : data->Values) {
    if (!SameText(value.Name, name)) continue;
    if (!value.IsString) throw RegistryError("Invalid data type for '" + std::string(name) + "'");
    return value.Data;
  }
  return std::nullopt;
}

void RegistryHive::WriteString(std::string_view key, std::string_view name, std::string_view text) {
  try {
    RegistryDocument document = Load();
    RegistryKeyData& data = document.CreateKey(key);
    for (auto& value : data.Values) {
      if (SameText(value.Name, name)) {
        value.Data = std::string(text);
        value.IsString = true;
        Save(document);
        return;
      }
    }
    data.Values.push_back(RegistryValue{std::string(name), std::string(text), true});
    Save(document);
  } catch (const RegistryError& error) {
    throw RegistryError("Failed to set data for '" + std::string(name) + "': " + error.what());
  }
}

std::optional<RegistryKeyData> RegistryHive::ReadKey(std::string_view key) const {
  RegistryDocument document = Load();
  const RegistryKeyData* data = document.FindKey(key);
  if (data == nullptr) return std::nullopt;
  return *data;
}

void RegistryHive::ReplaceKey(std::string_view key,
                              const std::vector<std::pair<std::string, std::string>>& values) {
  RegistryDocument document = Load();
  document.DeleteKey(key);
  RegistryKeyData& data = document.CreateKey(key);
  for (const auto& [name, text] : values) data.Values.push_back(RegistryValue{name, text, true});
  Save(document);
}

std::vector<std::string> RegistryHive::ValueNames(std::string_view key) const {
  RegistryDocument document = Load();
  std::vector<std::string> names;
  if (const RegistryKeyData* data = document.FindKey(key))
    for (const auto& value : data->Values) names.push_back(value.Name);
  return names;
}

}  // namespace norvane
