// `norvane config get|set SECTION/KEY [VALUE]` and `norvane config list`: the
// settings store from the command line. Only the settings the program knows
// are accepted, so a misspelt key is reported instead of stored where nothing
// reads it; `get` prints the stored value or the setting's default. Values
// cross the terminal edge as UTF-8 and are stored in the ANSI code page.
// `set` checks a value as `norvane send` checks its options and stores it in
// its plain form (a decimal number, the true or false word); a refused value
// stores nothing.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/delivery_settings.h"
#include "app/message_settings.h"
#include "app/security_settings.h"
#include "app/sending_controller.h"
#include "app/setting_rules.h"
#include "app/standard_headers.h"
#include "cli/commands.h"
#include "cli/terminal_text.h"
#include "platform/codepage.h"
#include "settings/ini_data.h"

namespace norvane::cli {

namespace {

struct Setting {
  std::string section;
  std::string key;
  TINILinha* line;  // null: a setting kept outside the data module
  std::string defaultText;
};

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
  settings.push_back({kCacheAnswersSection, kCacheAnswersKey, nullptr, kCacheAnswersDefault});
  settings.push_back({kReuseSection, kReuseSessionsKey, nullptr, kReuseSessionsDefault});
  settings.push_back({kReuseSection, kMessagesPerSessionKey, nullptr, kMessagesPerSessionDefault});
  settings.push_back({kReuseSection, kDomainConnectionsKey, nullptr, kDomainConnectionsDefault});
  settings.push_back({kReuseSection, kDomainPaceKey, nullptr, kDomainPaceDefault});
  settings.push_back({kRetriesSection, kRetriesKey, nullptr, kRetriesDefault});
  settings.push_back({kRetriesSection, kRetryDelayKey, nullptr, kRetryDelayDefault});
  return settings;
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
    std::string value =
        CheckedSettingValue(setting.section, setting.key, Utf8ToAnsi(args[2]), args[2], ini.INIArquivo1());
    if (setting.line)
      setting.line->SetText(value);
    else
      ini.INIArquivo1().WriteString(setting.section, setting.key, value);
    return 0;
  }
  throw std::invalid_argument("usage: norvane config get SECTION/KEY | set SECTION/KEY VALUE | list");
}

}  // namespace norvane::cli
