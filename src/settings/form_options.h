// The Options dialog: connections, time-out and sender; how the greeting's
// host name is chosen and the DNS servers; whether the spell checker runs
// before sending. It reads the settings when it is created and writes them
// only on OK, in a fixed order; Cancel stores nothing.
#pragma once

#include <functional>
#include <string>

#include "platform/modal_form.h"

namespace norvane {

class TINI;

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

enum OptionsPage : int { kPageConnection = 0, kPageDNS = 1, kPageSpellChecker = 2 };

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

  // Button3: the spell checker's own configuration dialog; nothing when unset.
  std::function<void()> OnSpellCheckerConfiguration;

  // The click handler of both radio buttons: the host box follows the choice.
  void rbHostFromDomainClick();
  // A click on one of the two radio buttons (true: "from domain").
  void SelectHostFromDomain(bool fromDomain);
  // OK: saves and closes. Every setting takes the dialog's value for this
  // session; when one cannot be written the others still are, and the first
  // failure is thrown (RegistryError) after the dialog has closed.
  void Button1Click();
  void Button2Click() { ModalResult = TModalFormResult::mrCancel; }
  void Button3Click();

 private:
  void Load();
  void Save();

  TINI& ini_;
};

}  // namespace norvane
