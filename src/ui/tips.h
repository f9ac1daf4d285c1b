// The tip of the day: TTips, the non-visual component the main window keeps
// with the list of tips and the texts of the dialog, and TTipForm, the dialog
// it builds for each Execute. The dialog starts at a random tip and steps
// through the list in a ring; its check box turns the tips off at start-up.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/modal_form.h"

namespace norvane {

// Shown when the list is empty (0xB4 is the acute accent in the ANSI code page).
inline constexpr char kNoTip[] = "There is no tip... I\xB4m not in the mude.";

// The twelve tips the program carries; the seventh ends with the maker's address.
const std::vector<std::string>& BuiltInTips();

// An index from 0 to count - 1 (count >= 1).
using RandomIndex = std::function<int(int count)>;
// Seeded afresh from the system's entropy on each call.
int SystemRandomIndex(int count);

class TTipForm : public TModalForm {
 public:
  TTipForm() = default;

  // Controls, as plain values.
  std::string TipCaption;  // the heading
  std::string TipHelp;     // the line above the tip
  std::string TipText;     // the tip shown
  bool NotShowAtStart = false;
  std::string NotShowAtStartCaption;
  std::string OkCaption, NextCaption, LastCaption, btTutorialCaption;
  bool NextEnabled = true;
  bool LastEnabled = true;
  bool btTutorialVisible = false;
  bool bvSeparatorVisible = false;

  // State.
  std::vector<std::string> Tips;
  int Current = 0;
  RandomIndex Random = SystemRandomIndex;
  std::function<void()> OnTutorClick;

  // Before the window appears: the empty-list tip, Next off for a single
  // tip, a random start.
  void FormShow();
  void NextClick();
  void LastClick();
  // Ok is both the default and the cancel button: Enter and Escape close
  // with OK; only the close box closes with Cancel.
  void OkClick() { ModalResult = TModalFormResult::mrOk; }
  void btTutorialClick() {
    if (OnTutorClick) OnTutorClick();
  }

 private:
  void ShowCurrent() { TipText = Tips[static_cast<std::size_t>(Current)]; }
};

class TTips {
 public:
  // Copies the lines (assigning the component's own list changes nothing).
  void SetTips(const std::vector<std::string>& tips);
  const std::vector<std::string>& Tips() const { return tips_; }
  std::size_t TipsCount() const { return tips_.size(); }

  std::string Title;
  std::string TipHelp;
  std::string TipWelcome;
  bool NotShowAtStart = false;
  std::string CaptionOK = "Ok";
  std::string CaptionNextTip = "&Pr\xF3xima Dica";
  std::string CaptionPreviosTip = "Dica &Anterior";
  std::string CaptionTutorial = "&Tutorial";
  std::string CaptionDontShowTips = "&N\xE3o mostrar estas dicas sempre que iniciar";
  std::function<void()> OnTutorClick;
  RandomIndex Random = SystemRandomIndex;

  // Shows the dialog modally; true when it was closed with the OK button.
  // NotShowAtStart holds the check box afterwards, however it was closed.
  bool Execute(ModalUi& ui);

 private:
  std::vector<std::string> tips_;
};

class TipsFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A tips file larger than this is refused rather than read into memory.
inline constexpr std::size_t kMaxTipsFileBytes = 1 << 20;

// The tips of a tips file: one per line (CR LF, LF or CR); blank lines are
// skipped, control characters dropped, and a file that starts with the UTF-8
// byte order mark is brought to the ANSI code page.
std::vector<std::string> TipsFromText(std::string_view text);

// The tips of the file at `path`, or nothing when there is no such file.
// Throws TipsFileError ("Cannot read tips file ...: reason") when it exists
// but is not a readable regular file of at most kMaxTipsFileBytes.
std::optional<std::vector<std::string>> LoadTipsFile(const std::string& path);

}  // namespace norvane
