#include "app/message_commands.h"

#include <algorithm>

#include "import/message_file.h"

namespace norvane {

TMessageCommands::TMessageCommands(ProjectModel& model, TMainWindow& window, TMainFormUi& ui)
    : model_(model), window_(window), ui_(ui) {}

void TMessageCommands::acImportMessageExecute() {
  if (!model_.Body.empty() && !ui_.ConfirmYesNo(kLooseChangesQuestion)) return;
  window_.ImportMessageDialog.FileName.clear();
  std::optional<std::string> file = ui_.ExecuteOpenDialog(window_.ImportMessageDialog);
  if (!file) return;
  model_.SetBody(ReadMessageFile(*file));
  model_.FModified = true;
}

void TMessageCommands::ImportMessageText(std::string_view text) {
  model_.SetBody(MessageTextFromBytes(text));
  model_.FModified = true;
}

void TMessageCommands::InsertFieldTag(const std::string& caption) {
  ui_.SetClipboardText(caption);
  if (!window_.Memo1Enabled) return;
  const std::string pasted = ui_.ClipboardText();
  const std::size_t size = model_.Body.size();
  std::size_t start =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(window_.Memo1SelStart, 0)), size);
  std::size_t length =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(window_.Memo1SelLength, 0)), size - start);
  // Neither end may split a line break's CR from its LF.
  auto splitsBreak = [&](std::size_t at) {
    return at > 0 && at < size && model_.Body[at - 1] == '\r' && model_.Body[at] == '\n';
  };
  if (splitsBreak(start)) {
    ++start;
    if (length > 0) --length;
  }
  if (splitsBreak(start + length)) ++length;
  std::string body = model_.Body;
  body.replace(start, length, pasted);
  model_.SetBody(std::move(body));
  // The caret stands after the pasted text, nothing selected.
  window_.Memo1SelStart = static_cast<int>(start + pasted.size());
  window_.Memo1SelLength = 0;
}

}  // namespace norvane
