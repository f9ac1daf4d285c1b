// `norvane config get|set SECTION/KEY [VALUE]` and `norvane config list`: the
// settings store from the command line. Only the settings the program knows
// are accepted, so a misspelt key is reported instead of stored where nothing
// reads it; `get` prints the stored value or the setting's default. Values
// cross the terminal edge as UTF-8 and are stored in the ANSI code page.
// `set` checks a value as `norvane send` checks its options and stores it in
// its plain form (a decimal number, the true or false word); a refused value
// stores nothing.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/list_unsubscribe.h"
#include "app/message_settings.h"
#include "app/security_settings.h"
#include "app/sending_controller.h"
#include "app/standard_headers.h"
#include "cli/commands.h"
#include "cli/terminal_text.h"
#include "platform/codepage.h"
#include "project/merge.h"
#include "settings/ini_data.h"
#include "smtp/dkim_signer.h"

namespace norvane::cli {

namespace {

enum class ValueKind {
  kText,
  kNumber,
  kBoolean,
  kSender,
  kDirectTls,
  kGatewayTls,
  kPort,
  kDomainName,
  kListUnsubscribe
};

struct Setting {
  std::string section;
  std::string key;
  TINILinha* line;  // null: a setting kept outside the data module
  std::string defaultText;
  ValueKind kind = ValueKind::kText;
  long min = 0, max = 0;  // the range of a number
};

// What each setting's readers take; a setting not listed is free text.
struct ValueRule {
  const char* section;
  const char* key;
  ValueKind kind;
  long min, max;
};

// The ranges of `norvane send --connections` and `--timeout`; the options
// dialog writes 1 or 0 for HostFromDomain.
constexpr ValueRule kValueRules[] = {
    {"Connection", "Connections", ValueKind::kNumber, 1, 100000},
    {"Connection", "TimeOut", ValueKind::kNumber, 1, 86400},
    {"Connection", "From", ValueKind::kSender, 0, 0},
    {"DNS", "HostFromDomain", ValueKind::kNumber, 0, 1},
    {"Environment", "Maximized", ValueKind::kBoolean, 0, 0},
    {"Environment", "ShowTipOfTheDay", ValueKind::kBoolean, 0, 0},
    {"Environment", "ShowGettingStartedDialog", ValueKind::kBoolean, 0, 0},
    {"Spelling", "RunSpellChecker", ValueKind::kBoolean, 0, 0},
    {kStandardHeadersSection, kStandardHeadersKey, ValueKind::kBoolean, 0, 0},
    {kJournalSection, kJournalKey, ValueKind::kBoolean, 0, 0},
    {kMessageSection, kMimeEncodingKey, ValueKind::kBoolean, 0, 0},
    {kMessageSection, kListUnsubscribeKey, ValueKind::kListUnsubscribe, 0, 0},
    {kDkimSection, kDkimDomainKey, ValueKind::kDomainName, 0, 0},
    {kDkimSection, kDkimSelectorKey, ValueKind::kDomainName, 0, 0},
    {kMxPreferenceSection, kMxPreferenceOrderKey, ValueKind::kBoolean, 0, 0},
    {kSecuritySection, kDirectTlsKey, ValueKind::kDirectTls, 0, 0},
    {kSecuritySection, kGatewayTlsKey, ValueKind::kGatewayTls, 0, 0},
    {kGatewaySection, kGatewayPortKey, ValueKind::kPort, 1, 65535},
};

void ApplyRule(Setting& setting) {
  for (const ValueRule& rule : kValueRules) {
    if (setting.section == rule.section && setting.key == rule.key) {
      setting.kind = rule.kind;
      setting.min = rule.min;
      setting.max = rule.max;
    }
  }
}

std::vector<Setting> KnownSettings(TINI& ini) {
  std::vector<Setting> settings;
  for (TINISecao* section : ini.INIArquivo1().Sections())
    for (TINILinha* line : section->Lines())
      settings.push_back({section->Caption(), line->Caption(), line, ""});
  settings.push_back({kStandardHeadersSection, kStandardHeadersKey, nullptr, kStandardHeadersDefault});
  settings.push_back({kJournalSection, kJournalKey, nullptr, kJournalDefault});
  settings.push_back({kMessageSection, kMimeEncodingKey, nullptr, kMimeEncodingDefault});
  settings.push_back({kMessageSection, kListUnsubscribeKey, nullptr, ""});
  settings.push_back({kDkimSection, kDkimDomainKey, nullptr, ""});
  settings.push_back({kDkimSection, kDkimSelectorKey, nullptr, ""});
  settings.push_back({kDkimSection, kDkimKeyFileKey, nullptr, ""});
  settings.push_back({kMxPreferenceSection, kMxPreferenceOrderKey, nullptr, kMxPreferenceOrderDefault});
  settings.push_back({kGatewaySection, kGatewayKey, nullptr, ""});
  settings.push_back({kGatewaySection, kGatewayPortKey, nullptr, ""});
  settings.push_back({kSecuritySection, kDirectTlsKey, nullptr, kDirectTlsDefault});
  settings.push_back({kSecuritySection, kGatewayTlsKey, nullptr, kGatewayTlsDefault});
  settings.push_back({kSecuritySection, kCaFileKey, nullptr, ""});
  settings.push_back({kSecuritySection, kUserKey, nullptr, ""});
  for (Setting& setting : settings) ApplyRule(setting);
  return settings;
}

// `value` (ANSI) as it is to be stored, or std::invalid_argument saying why
// it is refused. `shown` is the value as the user typed it, for the message.
std::string CheckedValue(const Setting& setting, const std::string& value, const std::string& shown,
                         const TINIArquivo& file) {
  const std::string name = setting.section + "/" + setting.key;
  // A line break would end the registry line or, in From, start a header line of its own.
  for (char c : value) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      throw std::invalid_argument(name + " may not hold control characters (line breaks, tabs)");
  }
  switch (setting.kind) {
    case ValueKind::kText:
      return value;
    case ValueKind::kDomainName:
      // Empty switches signing off; anything else becomes a tag of every signature.
      if (!value.empty() && !IsPlainDomainName(value))
        throw std::invalid_argument(name + " needs a domain name (letters, digits, '-' and dots), not '" +
                                    shown + "'");
      return value;
    case ValueKind::kListUnsubscribe:
      ListUnsubscribeTargets(value);  // throws, saying what is wrong
      return value;
    case ValueKind::kNumber: {
      // As `norvane send` reads --connections and --timeout.
      char* end = nullptr;
      errno = 0;
      long number = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || errno != 0 || number < setting.min || number > setting.max)
        throw std::invalid_argument(name + " needs a whole number from " + std::to_string(setting.min) +
                                    " to " + std::to_string(setting.max) + ", not '" + shown + "'");
      return std::to_string(number);
    }
    case ValueKind::kBoolean:
      if (AnsiEqualsIgnoreCase(value, file.TrueWord())) return file.TrueWord();
      if (AnsiEqualsIgnoreCase(value, file.FalseWord())) return file.FalseWord();
      throw std::invalid_argument(name + " takes " + file.TrueWord() + " or " + file.FalseWord() + ", not '" +
                                  shown + "'");
    case ValueKind::kSender: {
      // Empty is the declared default: nobody is the sender until one is set.
      if (value.empty()) return value;
      std::string address = ExtractEmailAddress(value);
      std::size_t at = address.find('@');
      if (at == std::string::npos || at == 0 || at + 1 == address.size())
        throw std::invalid_argument(name + " needs an e-mail address, not '" + shown + "'");
      return value;
    }
    case ValueKind::kDirectTls:
      if (!ParseDirectTls(value))
        throw std::invalid_argument(name + " takes " + kDirectTlsWords + ", not '" + shown + "'");
      return AnsiLowerCase(value);
    case ValueKind::kGatewayTls:
      if (!ParseGatewayTls(value))
        throw std::invalid_argument(name + " takes " + kGatewayTlsWords + ", not '" + shown + "'");
      return AnsiLowerCase(value);
    case ValueKind::kPort: {
      // Empty is the default: the port that goes with the kind of TLS.
      if (value.empty()) return value;
      char* end = nullptr;
      errno = 0;
      long number = std::strtol(value.c_str(), &end, 10);
      if (*end != '\0' || errno != 0 || number < setting.min || number > setting.max)
        throw std::invalid_argument(name + " needs a port number from 1 to 65535 or nothing, not '" + shown +
                                    "'");
      return std::to_string(number);
    }
  }
  return value;
}

Setting& Find(std::vector<Setting>& settings, const std::string& name) {
  std::size_t slash = name.find('/');
  if (slash != std::string::npos) {
    std::string section = AnsiLowerCase(name.substr(0, slash)), key = AnsiLowerCase(name.substr(slash + 1));
    for (Setting& setting : settings)
      if (AnsiLowerCase(setting.section) == section && AnsiLowerCase(setting.key) == key) return setting;
  }
  std::string known;
  for (const Setting& setting : settings) known += "\n  " + setting.section + "/" + setting.key;
  throw std::invalid_argument("unknown setting '" + name + "'; the settings are:" + known);
}

std::string Read(TINI& ini, Setting& setting) {
  if (setting.line) return setting.line->Text();
  return ini.INIArquivo1().ReadString(setting.section, setting.key, setting.defaultText);
}

}  // namespace

int ConfigCommand(const Args& args) {
  if (args.empty()) throw std::invalid_argument("config needs get, set or list");
  const std::string& verb = args[0];
  TINI ini;
  std::vector<Setting> settings = KnownSettings(ini);
  if (verb == "list" && args.size() == 1) {
    for (Setting& setting : settings)
      std::printf("%s/%s=%s\n", setting.section.c_str(), setting.key.c_str(),
                  ForTerminal(Read(ini, setting)).c_str());
    return 0;
  }
  if (verb == "get" && args.size() == 2) {
    std::printf("%s\n", ForTerminal(Read(ini, Find(settings, args[1]))).c_str());
    return 0;
  }
  if (verb == "set" && args.size() == 3) {
    Setting& setting = Find(settings, args[1]);
    std::string value = CheckedValue(setting, Utf8ToAnsi(args[2]), args[2], ini.INIArquivo1());
    if (setting.line)
      setting.line->SetText(value);
    else
      ini.INIArquivo1().WriteString(setting.section, setting.key, value);
    return 0;
  }
  throw std::invalid_argument("usage: norvane config get SECTION/KEY | set SECTION/KEY VALUE | list");
}

}  // namespace norvane::cli
