#include "ui/tips.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "platform/codepage.h"
#include "ui/home_page.h"

namespace norvane {

const std::vector<std::string>& BuiltInTips() {
  static const std::vector<std::string> tips = {
      "Before  starting to send merged messages, check if the mailmerge is okay by previewing the messages.  "
      "Select any recipient and type [F9].",
      "You can cancel the current sending by pressing the Stop button.  Then you can save the project to "
      "resume "
      "later.",
      "Even after importing a recipient list, you can manually enable / disable any recipient from receiving "
      "messages, by checking / unchecking the correspondent check box that appears before the recipient's "
      "email "
      "address.",
      "To import an existing message from a text file, select the command File | Import Message.",
      "Depending on the severity of the error occurred when sending any message (shown on the Result field), "
      "you "
      "can try to send it again later.  Sometimes the remote server is temporary unavailable.",
      "You can \"wash\" your mailing list, by taking out the undeliverable email addresses.",
      std::string(
          "You can visit the Kalvento Software web site to check if is there a newer version of Norvane, "
          "for free upgrade. ") +
          kHomePageAddress,
      "If you have enough bandwidth, you can increase number of simultaneous connections, on the Options "
      "window "
      "(command Tools | Options, tab Connection).  Try a greater value and check the performance until you "
      "get an "
      "optimum value.",
      "If you have too many \"Time Out\" results, try increasing the Time Out value, on the Options window "
      "(command Tools | Options, tab Connection).",
      "You can drag files from the Windows Explorer and drop them into the workplace to perform an "
      "attachment.",
      "To replace a word in the document with a synonym just click on the word and type Shift+F7 (command "
      "Tools | "
      "Thesaurus).",
      "To check spellings in the current message, just type F7 to open the Spell Checker (command Tools | "
      "Spell "
      "Checker).",
  };
  return tips;
}

int SystemRandomIndex(int count) {
  std::random_device entropy;
  std::mt19937 generator(entropy());
  return std::uniform_int_distribution<int>(0, count - 1)(generator);
}

void TTipForm::FormShow() {
  if (Tips.empty()) Tips.push_back(kNoTip);
  if (Tips.size() == 1) NextEnabled = false;
  int count = static_cast<int>(Tips.size());
  Current = Random(count);
  // A random source that strays must not make the dialog read outside its list.
  if (Current < 0 || Current >= count) Current = 0;
  ShowCurrent();
}

void TTipForm::NextClick() {
  Current = Current + 1 < static_cast<int>(Tips.size()) ? Current + 1 : 0;
  ShowCurrent();
}

void TTipForm::LastClick() {
  Current = Current > 0 ? Current - 1 : static_cast<int>(Tips.size()) - 1;
  ShowCurrent();
}

void TTips::SetTips(const std::vector<std::string>& tips) {
  if (&tips != &tips_) tips_ = tips;
}

bool TTips::Execute(ModalUi& ui) {
  TTipForm form;
  form.Caption = Title;
  form.TipHelp = TipHelp;
  form.NotShowAtStart = NotShowAtStart;
  form.TipText.clear();
  form.TipCaption = TipWelcome;
  form.Tips = tips_;
  form.Random = Random;
  form.OkCaption = CaptionOK;
  form.NextCaption = CaptionNextTip;
  form.LastCaption = CaptionPreviosTip;
  form.btTutorialCaption = CaptionTutorial;
  form.NotShowAtStartCaption = CaptionDontShowTips;
  form.OnTutorClick = OnTutorClick;
  form.btTutorialVisible = form.bvSeparatorVisible = static_cast<bool>(OnTutorClick);
  form.FormShow();
  ui.ShowModal(form);
  NotShowAtStart = form.NotShowAtStart;
  return form.ModalResult == TModalFormResult::mrOk;
}

std::vector<std::string> TipsFromText(std::string_view text) {
  constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
  std::string converted;
  if (text.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    converted = Utf8ToAnsi(text.substr(kUtf8Mark.size()));
    text = converted;
  }
  std::vector<std::string> tips;
  std::string line;
  bool blank = true;
  auto endLine = [&] {
    if (!blank) tips.push_back(line);
    line.clear();
    blank = true;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endLine();
    } else if (c == '\t' || (c >= 0x20 && c != 0x7F)) {
      line += static_cast<char>(c);
      if (c != ' ' && c != '\t') blank = false;
    }
  }
  endLine();
  return tips;
}

std::optional<std::vector<std::string>> LoadTipsFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return std::nullopt;
  auto refuse = [&](const std::string& reason) -> TipsFileError {
    return TipsFileError("Cannot read tips file " + path + ": " + reason);
  };
  if (error) throw refuse(error.message());
  // Anything but a regular file (a folder, a pipe that would block) is refused before it is opened.
  if (status.type() != fs::file_type::regular) throw refuse("not a regular file");
  std::ifstream file(path, std::ios::binary);
  if (!file) throw refuse("cannot open it");
  std::string content(kMaxTipsFileBytes + 1, '\0');
  file.read(content.data(), static_cast<std::streamsize>(content.size()));
  if (file.bad()) throw refuse("read failed");
  content.resize(static_cast<std::size_t>(file.gcount()));
  if (content.size() > kMaxTipsFileBytes)
    throw refuse("larger than " + std::to_string(kMaxTipsFileBytes) + " bytes");
  return TipsFromText(content);
}

}  // namespace norvane
