#include "app/message_settings.h"

#include "platform/codepage.h"
#include "platform/registry.h"
#include "settings/ini_data.h"
#include "smtp/dkim_signer.h"

namespace norvane {

namespace {

bool ReadBoolean(TINI& ini, const char* section, const char* key, const char* defaultText) {
  TINIArquivo& file = ini.INIArquivo1();
  return AnsiEqualsIgnoreCase(file.ReadString(section, key, defaultText), file.TrueWord());
}

}  // namespace

bool MimeEncodingEnabled(TINI& ini) {
  return ReadBoolean(ini, kMessageSection, kMimeEncodingKey, kMimeEncodingDefault);
}

bool MxPreferenceOrderEnabled(TINI& ini) {
  return ReadBoolean(ini, kMxPreferenceSection, kMxPreferenceOrderKey, kMxPreferenceOrderDefault);
}

std::string ListUnsubscribeSetting(TINI& ini) {
  return ini.INIArquivo1().ReadString(kMessageSection, kListUnsubscribeKey, "");
}

DkimSettings ReadDkimSettings(TINI& ini) {
  TINIArquivo& file = ini.INIArquivo1();
  return {file.ReadString(kDkimSection, kDkimDomainKey, ""),
          file.ReadString(kDkimSection, kDkimSelectorKey, ""),
          file.ReadString(kDkimSection, kDkimKeyFileKey, "")};
}

void WriteDkimSettings(TINI& ini, const DkimSettings& settings) {
  TINIArquivo& file = ini.INIArquivo1();
  file.WriteString(kDkimSection, kDkimDomainKey, settings.Domain);
  file.WriteString(kDkimSection, kDkimSelectorKey, settings.Selector);
  file.WriteString(kDkimSection, kDkimKeyFileKey, settings.KeyFile);
}

std::shared_ptr<const DkimSigner> LoadDkimSigner(TINI& ini) {
  const DkimSettings settings = ReadDkimSettings(ini);
  if (settings.KeyFile.empty()) return nullptr;
  if (settings.Domain.empty() || settings.Selector.empty())
    throw DkimKeyError(
        "DKIM signing needs a domain and a selector besides the key file (DKIM/Domain, DKIM/Selector)");
  return std::make_shared<const DkimSigner>(settings.Domain, settings.Selector,
                                            DkimKey::ReadFile(settings.KeyFile));
}

MessageFormat ReadMessageFormat(TINI& ini) {
  MessageFormat format;
  format.MimeEncoding = MimeEncodingEnabled(ini);
  format.Signer = LoadDkimSigner(ini);
  return format;
}

std::string SettingsFolder() {
  const std::string path = RegistryHive::CurrentUserPath();
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace norvane
