#include "spell/dictionary_encoding.h"

#include <strings.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/codepage.h"
#include "spell/spell_error.h"

namespace norvane {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The names dictionaries use that the system's converter spells otherwise.
std::string SystemName(const std::string& name) {
  static const std::pair<const char*, const char*> kAliases[] = {
      {"microsoft-cp1251", "CP1251"},
      {"TIS620-2533", "TIS-620"},
  };
  for (const auto& [dictionary, system] : kAliases)
    if (strcasecmp(name.c_str(), dictionary) == 0) return system;
  return name;
}

// The whole input converted, or nothing at the first byte sequence the
// target cannot write or the source does not hold.
std::optional<std::string> Convert(iconv_t converter, std::string_view input) {
  ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::string output;
  char buffer[256];
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  for (;;) {
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t done = inLeft == 0 ? ::iconv(converter, nullptr, nullptr, &out, &outLeft)
                                   : ::iconv(converter, &in, &inLeft, &out, &outLeft);
    output.append(buffer, static_cast<std::size_t>(out - buffer));
    if (done == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      return std::nullopt;
    }
    // A count above zero means characters were written approximately.
    if (done != 0) return std::nullopt;
    if (inLeft == 0) {
      out = buffer;
      outLeft = sizeof buffer;
      if (::iconv(converter, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
      output.append(buffer, static_cast<std::size_t>(out - buffer));
      return output;
    }
  }
}

}  // namespace

TDictionaryEncoding::TDictionaryEncoding(const std::string& name) : name_(name) {
  if (strcasecmp(name.c_str(), "UTF-8") == 0 || strcasecmp(name.c_str(), "UTF8") == 0) {
    utf8_ = true;
    return;
  }
  std::string system = SystemName(name);
  toDictionary_ = ::iconv_open(system.c_str(), "UTF-8");
  fromDictionary_ = ::iconv_open("UTF-8", system.c_str());
  if (toDictionary_ == kNoConverter || fromDictionary_ == kNoConverter) {
    if (toDictionary_ != kNoConverter) ::iconv_close(toDictionary_);
    if (fromDictionary_ != kNoConverter) ::iconv_close(fromDictionary_);
    throw SpellError("The character set '" + name + "' of the dictionary is not supported");
  }
}

TDictionaryEncoding::~TDictionaryEncoding() {
  if (toDictionary_ != kNoConverter) ::iconv_close(toDictionary_);
  if (fromDictionary_ != kNoConverter) ::iconv_close(fromDictionary_);
}

std::optional<std::string> TDictionaryEncoding::FromAnsi(std::string_view ansi) const {
  // The five bytes 1252 leaves undefined are no letters and never reach here
  // inside a word; they would become U+FFFD.
  std::string utf8 = AnsiToUtf8(ansi);
  if (utf8_) return utf8;
  return Convert(toDictionary_, utf8);
}

std::optional<std::string> TDictionaryEncoding::ToAnsi(std::string_view text) const {
  std::string utf8;
  if (utf8_) {
    utf8 = std::string(text);
  } else if (auto converted = Convert(fromDictionary_, text)) {
    utf8 = std::move(*converted);
  } else {
    return std::nullopt;
  }
  std::string ansi = Utf8ToAnsi(utf8);
  if (AnsiToUtf8(ansi) != utf8) return std::nullopt;
  return ansi;
}

}  // namespace norvane
