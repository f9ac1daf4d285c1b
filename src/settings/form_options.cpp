#include "settings/form_options.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "platform/codepage.h"
#include "platform/secret_store.h"
#include "settings/ini_data.h"

namespace norvane {

void TUpDownEdit::SetPosition(int position) {
  Position = std::clamp(position, Min, Max);
  Text = std::to_string(Position);
}

void TUpDownEdit::Type(std::string text) {
  Text = std::move(text);
  std::size_t begin = Text.find_first_not_of(' ');
  std::size_t end = Text.find_last_not_of(' ');
  if (begin == std::string::npos) return;
  long value = 0;
  for (std::size_t i = begin; i <= end; ++i) {
    char c = Text[i];
    // Nine digits still fit; a longer number is out of any range the dialog uses.
    if (c < '0' || c > '9' || i - begin >= 9) return;
    value = value * 10 + (c - '0');
  }
  if (value >= Min && value <= Max) Position = static_cast<int>(value);
}

// The keys and defaults are those of the readers in app/security_settings.h,
// app/message_settings.h and app/delivery_settings.h.
const std::vector<TFormOptions::TextSetting>& TFormOptions::TextSettings() {
  static const std::vector<TextSetting> settings = {
      {kPageConnection, "Connection", "Gateway", "", &TFormOptions::edGateway},
      {kPageConnection, "Connection", "GatewayPort", "", &TFormOptions::edGatewayPort},
      {kPageConnection, "Connection", "MessagesPerSession", "100", &TFormOptions::edMessagesPerSession},
      {kPageConnection, "Connection", "DomainConnections", "10", &TFormOptions::edDomainConnections},
      {kPageConnection, "Connection", "DomainPace", "0", &TFormOptions::edDomainPace},
      {kPageDelivery, "Delivery", "Retries", "0", &TFormOptions::edRetries},
      {kPageDelivery, "Delivery", "RetryDelay", "300", &TFormOptions::edRetryDelay},
      {kPageSecurity, "Security", "GatewayTls", "starttls", &TFormOptions::cbGatewayTls},
      {kPageSecurity, "Security", "DirectTls", "opportunistic", &TFormOptions::cbDirectTls},
      {kPageSecurity, "Security", "CaFile", "", &TFormOptions::edCaFile},
      {kPageSecurity, "Security", "User", "", &TFormOptions::edUser},
      {kPageMessage, "Message", "ListUnsubscribe", "", &TFormOptions::edListUnsubscribe},
      {kPageDkim, "DKIM", "Domain", "", &TFormOptions::edDkimDomain},
      {kPageDkim, "DKIM", "Selector", "", &TFormOptions::edDkimSelector},
      {kPageDkim, "DKIM", "KeyFile", "", &TFormOptions::edDkimKeyFile},
  };
  return settings;
}

const std::vector<TFormOptions::BooleanSetting>& TFormOptions::BooleanSettings() {
  static const std::vector<BooleanSetting> settings = {
      {kPageConnection, "Connection", "MxPreferenceOrder", false, &TFormOptions::cbMxPreferenceOrder},
      {kPageConnection, "Connection", "ReuseSessions", false, &TFormOptions::cbReuseSessions},
      {kPageDNS, "DNS", "CacheAnswers", true, &TFormOptions::cbCacheAnswers},
      {kPageMessage, "Message", "MimeEncoding", true, &TFormOptions::cbMimeEncoding},
  };
  return settings;
}

TFormOptions::TFormOptions(TINI& ini) : ini_(ini) {
  OpenStore = OpenSecretStore;
  Caption = "Options";
  PageIndex = kPageConnection;
  Load();
}

void TFormOptions::Load() {
  bool fromDomain = ini_.ilHostFromDomain().AsInteger() == 1;
  rbHostFromDomain = fromDomain;
  edSpecifyHost = !fromDomain;
  edConnections.SetPosition(ini_.ilConnections().AsInteger());
  edTimeOut.SetPosition(ini_.ilTimeOut().AsInteger());
  edFrom = ini_.ilFrom().Text();
  edHost = ini_.ilHost().Text();
  edDNS1 = ini_.ilDNS1().Text();
  edDNS2 = ini_.ilDNS2().Text();
  cbRunSpellChecker = ini_.ilRunSpellChecker().AsBoolean();
  rbHostFromDomainClick();
  TINIArquivo& file = ini_.INIArquivo1();
  for (const TextSetting& setting : TextSettings()) {
    this->*setting.box = file.ReadString(setting.section, setting.key, setting.defaultText);
    loadedTexts_.push_back(this->*setting.box);
  }
  for (const BooleanSetting& setting : BooleanSettings()) {
    this->*setting.box = StoredBoolean(setting);
    loadedBooleans_.push_back(this->*setting.box);
  }
}

bool TFormOptions::StoredBoolean(const BooleanSetting& setting) const {
  const TINIArquivo& file = ini_.INIArquivo1();
  const char* fallback = setting.defaultValue ? file.TrueWord() : file.FalseWord();
  return AnsiEqualsIgnoreCase(file.ReadString(setting.section, setting.key, fallback), file.TrueWord());
}

void TFormOptions::rbHostFromDomainClick() {
  edHostEnabled = edSpecifyHost;
  edHostColor = edHostEnabled ? TSystemColor::clWindow : TSystemColor::clBtnFace;
}

void TFormOptions::SelectHostFromDomain(bool fromDomain) {
  rbHostFromDomain = fromDomain;
  edSpecifyHost = !fromDomain;
  rbHostFromDomainClick();
}

void TFormOptions::Button1Click() {
  ErrorText.clear();
  std::vector<std::pair<const TextSetting*, std::string>> texts;
  if (!Check(texts) || !StorePassword()) return;
  ModalResult = TModalFormResult::mrOk;
  Save(texts);
}

bool TFormOptions::Refuse(OptionsPage page, std::string text) {
  PageIndex = page;
  ErrorText = std::move(text);
  return false;
}

bool TFormOptions::Check(std::vector<std::pair<const TextSetting*, std::string>>& texts) {
  const std::vector<TextSetting>& settings = TextSettings();
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const TextSetting& setting = settings[i];
    const std::string& typed = this->*setting.box;
    if (typed == loadedTexts_[i]) continue;
    try {
      texts.emplace_back(&setting, CheckSetting ? CheckSetting(setting.section, setting.key, typed) : typed);
    } catch (const std::invalid_argument& refused) {
      return Refuse(setting.page, refused.what());
    }
  }
  return true;
}

bool TFormOptions::StorePassword() {
  if (edPassword.empty()) return true;
  // Stored under the relay and user the boxes show, the ones the next run reads.
  const std::string gateway = TrimText(edGateway), user = TrimText(edUser);
  if (gateway.empty() || user.empty())
    return Refuse(kPageSecurity, "A password is kept for a relay host and a user name: give both first");
  try {
    std::unique_ptr<SecretStore> store = OpenStore ? OpenStore() : nullptr;
    if (!store) return Refuse(kPageSecurity, "No password store is available");
    store->Store(gateway, user, edPassword);
  } catch (const SecretStoreError& error) {
    return Refuse(kPageSecurity, error.what());
  }
  edPassword.clear();
  return true;
}

void TFormOptions::Button3Click() {
  if (OnSpellCheckerConfiguration) OnSpellCheckerConfiguration();
}

void TFormOptions::Save(const std::vector<std::pair<const TextSetting*, std::string>>& texts) {
  // A line keeps a text it failed to write and is in effect until the program
  // ends; so every step runs, and the first failure is reported at the end.
  std::exception_ptr failure;
  auto step = [&failure](auto&& write) {
    try {
      write();
    } catch (const RegistryError&) {
      if (!failure) failure = std::current_exception();
    }
  };
  step([&] { ini_.ilHostFromDomain().SetAsInteger(rbHostFromDomain ? 1 : 0); });
  step([&] { ini_.ilConnections().SetAsInteger(edConnections.Position); });
  step([&] { ini_.ilTimeOut().SetAsInteger(edTimeOut.Position); });
  step([&] { ini_.ilFrom().SetText(edFrom); });
  step([&] { ini_.ilHost().SetText(edHost); });
  step([&] { ini_.ilDNS1().SetText(edDNS1); });
  step([&] { ini_.ilRunSpellChecker().SetAsBoolean(cbRunSpellChecker); });
  // A lone server typed into the second box becomes the first.
  if (!ini_.ilDNS1().Text().empty()) {
    step([&] { ini_.ilDNS2().SetText(edDNS2); });
  } else {
    step([&] { ini_.ilDNS1().SetText(edDNS2); });
    step([&] { ini_.ilDNS2().SetText(""); });
  }
  TINIArquivo& file = ini_.INIArquivo1();
  for (const auto& text : texts)
    step([&] { file.WriteString(text.first->section, text.first->key, text.second); });
  const std::vector<BooleanSetting>& booleans = BooleanSettings();
  for (std::size_t i = 0; i < booleans.size(); ++i) {
    const bool value = this->*booleans[i].box;
    if (value == loadedBooleans_[i]) continue;
    step([&] {
      file.WriteString(booleans[i].section, booleans[i].key, value ? file.TrueWord() : file.FalseWord());
    });
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace norvane
