// The Options dialog: connections, time-out and sender; how the greeting's
// host name is chosen and the DNS servers; whether the spell checker runs
// before sending. It reads the settings when it is created and writes them
// only on OK, in a fixed order; Cancel stores nothing.
//
// Beyond those, pages for what large providers ask of a sender (relay,
// TLS, password, MIME, List-Unsubscribe, DKIM) and for the delivery policy
// (DNS answers kept, connections reused, retries). Their values are checked on
// OK by CheckSetting, as `norvane config set` checks them: a refused value
// keeps the dialog open on its page with ErrorText set, and stores nothing.
// Such a setting is written only when its box changed, so a default is never
// pinned into the settings file. The relay password goes to the secret store,
// never to the settings; an empty box leaves the stored one alone.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/modal_form.h"

namespace norvane {

class TINI;
class SecretStore;

// An edit box with its up-down buddy: the arrows move the position by one
// within Min..Max without wrapping; a typed text is taken only when it is a
// whole number in range, otherwise the last valid position stays.
struct TUpDownEdit {
  int Min = 1;
  int Max = 999;
  int Position = 1;
  std::string Text = "1";

  // Clamped into the range; the box shows it.
  void SetPosition(int position);
  void Type(std::string text);
  void UpClick() { SetPosition(Position + 1); }
  void DownClick() { SetPosition(Position - 1); }
};

enum OptionsPage : int {
  kPageConnection = 0,
  kPageDNS = 1,
  kPageSpellChecker = 2,
  kPageSecurity = 3,
  kPageMessage = 4,
  kPageDkim = 5,
  kPageDelivery = 6,
};

class TFormOptions : public TModalForm {
 public:
  // FormCreate: the Connection page, then the fields loaded from `ini`.
  // A setting that cannot be read throws RegistryError.
  explicit TFormOptions(TINI& ini);

  // Controls, as plain values.
  int PageIndex = kPageConnection;
  TUpDownEdit edConnections;
  TUpDownEdit edTimeOut;
  std::string edFrom;
  bool rbHostFromDomain = true;
  bool edSpecifyHost = false;  // the radio button "Sp&ecify a host name"
  std::string edHost;
  bool edHostEnabled = false;
  TSystemColor edHostColor = TSystemColor::clBtnFace;
  std::string edDNS1;
  std::string edDNS2;
  bool cbRunSpellChecker = true;
  // Connection: the relay host (empty: straight to the mail exchangers), its
  // port (empty: the one that goes with its TLS), MX preference order.
  std::string edGateway;
  std::string edGatewayPort;
  bool cbMxPreferenceOrder = false;
  // Connection: keep a connection for the next message to its host, and how many it carries.
  bool cbReuseSessions = false;
  std::string edMessagesPerSession;
  // Connection: at most this many connections to one domain at once.
  std::string edDomainConnections;
  // Connection: at most this many messages a minute to one domain (0: no pace).
  std::string edDomainPace;
  // DNS: keep the run's DNS answers while they live.
  bool cbCacheAnswers = true;
  // Delivery: further tries of a temporary failure and the seconds between them.
  std::string edRetries;
  std::string edRetryDelay;
  // Security: TLS to the relay and to the mail exchangers (their words), a
  // CA file, the relay's user name and a password box shown masked.
  std::string cbGatewayTls;
  std::string cbDirectTls;
  std::string edCaFile;
  std::string edUser;
  std::string edPassword;
  // Message: MIME encoding and the List-Unsubscribe template.
  bool cbMimeEncoding = true;
  std::string edListUnsubscribe;
  // DKIM: signing domain, selector and private key file.
  std::string edDkimDomain;
  std::string edDkimSelector;
  std::string edDkimKeyFile;

  // The message of the value OK refused; empty when none was.
  std::string ErrorText;

  // The value of SECTION/KEY as it is to be stored, or std::invalid_argument
  // saying what the setting takes. Unset: values are stored as typed.
  std::function<std::string(const std::string& section, const std::string& key, const std::string& value)>
      CheckSetting;
  // Opens the store the password goes to.
  std::function<std::unique_ptr<SecretStore>()> OpenStore;

  // Button3: the spell checker's own configuration dialog; nothing when unset.
  std::function<void()> OnSpellCheckerConfiguration;

  // The click handler of both radio buttons: the host box follows the choice.
  void rbHostFromDomainClick();
  // A click on one of the two radio buttons (true: "from domain").
  void SelectHostFromDomain(bool fromDomain);
  // OK: saves and closes. A refused value or password (ErrorText) keeps the
  // dialog open and stores nothing. Otherwise every setting takes the
  // dialog's value for this session; when one cannot be written the others
  // still are, and the first failure is thrown (RegistryError) after the
  // dialog has closed.
  void Button1Click();
  void Button2Click() { ModalResult = TModalFormResult::mrCancel; }
  void Button3Click();

 private:
  // A setting of the pages beyond the plain dialog, bound to its box.
  struct TextSetting {
    OptionsPage page;
    const char* section;
    const char* key;
    const char* defaultText;
    std::string TFormOptions::*box;
  };
  struct BooleanSetting {
    OptionsPage page;
    const char* section;
    const char* key;
    bool defaultValue;
    bool TFormOptions::*box;
  };
  static const std::vector<TextSetting>& TextSettings();
  static const std::vector<BooleanSetting>& BooleanSettings();

  void Load();
  // The changed settings as they are to be stored, in table order; false when
  // one is refused (ErrorText and PageIndex then show it).
  bool Check(std::vector<std::pair<const TextSetting*, std::string>>& texts);
  bool StorePassword();
  void Save(const std::vector<std::pair<const TextSetting*, std::string>>& texts);
  bool StoredBoolean(const BooleanSetting& setting) const;
  bool Refuse(OptionsPage page, std::string text);

  // The texts as loaded, to write only what changed.
  std::vector<std::string> loadedTexts_;
  std::vector<bool> loadedBooleans_;

  TINI& ini_;
};

}  // namespace norvane
