// `norvane preview PROJECT.nvp [--row N] [--raw [--8bit]]`: what recipient
// row N (counted from 1, default 1) will receive. Without --raw the preview
// window's text (sender, merged To and subject, the wrapped body), converted
// to UTF-8 for the terminal; with --raw the message exactly as it would go on
// the wire: the composed header lines (with the standard headers, the
// List-Unsubscribe lines, MIME encoding and the DKIM signature as the
// settings ask for them), the MIME parts with base64 attachments, dot-stuffed
// lines, CR LF line ends and the final ".", as the unconverted ANSI octets,
// so the output can be saved as a message file. The text is shown as a
// server without 8BITMIME gets it, or, with --8bit, as one with it.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/list_unsubscribe.h"
#include "app/message_settings.h"
#include "app/sending_controller.h"
#include "app/standard_headers.h"
#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/terminal_text.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "project/merge.h"
#include "project/preview.h"
#include "project/project_file.h"
#include "project/run_journal.h"
#include "settings/ini_data.h"
#include "smtp/message_composer.h"

namespace norvane::cli {

namespace {

void PrintRaw(const ProjectModel& model, int row, TINI& ini, bool eightBit) {
  std::string sender = ini.ilFrom().Text();
  MessageComposer composer;
  composer.Format = ReadMessageFormat(ini);
  composer.ServerAccepts8Bit = eightBit;
  composer.HdrFrom = sender;
  composer.HdrTo = MergeRecipient(model, row, model.To);
  composer.HdrSubject = MergeRecipient(model, row, model.Subject);
  composer.SetContentType(model.ContentType == kContentText ? smtpPlainText : smtpHTML);
  std::vector<std::string> files;
  for (const TAttachmentItem& attachment : model.Attachments)
    files.push_back(attachment.FullPath(model.FProjectFileName));
  composer.SetEmailFiles(files);
  std::vector<std::string> body = SplitLines(MergedBody(model, row));
  composer.OnGetData = [&](int lineNum, std::string& line, int maxLen, bool& more) {
    if (lineNum > static_cast<int>(body.size())) {
      more = false;
      return;
    }
    line = body[lineNum - 1].substr(0, static_cast<std::size_t>(maxLen));
  };
  const bool standardHeaders = StandardHeadersEnabled(ini);
  const std::string listUnsubscribe = ListUnsubscribeSetting(ini);
  std::string domain = ExtractDomain(ExtractEmailAddress(sender));
  composer.OnProcessHeader = [&](std::vector<std::string>& lines) {
    if (standardHeaders) AddStandardHeaders(lines, domain, CurrentClock().Now());
    AddListUnsubscribe(lines, listUnsubscribe, model, row);
  };
  composer.Begin();
  std::string line;
  while (composer.NextWireLine(line)) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputs("\r\n", stdout);
  }
}

}  // namespace

int PreviewCommand(const Args& args) {
  OptionParser parser(args, {"--row"}, {"--raw", "--8bit"});
  if (parser.Positional().size() != 1) throw std::invalid_argument("preview needs one project file");
  ProjectModel model;
  LoadProject(model, parser.Positional()[0]);
  if (std::string text = RecoveryText(RecoverFromJournal(model, parser.Positional()[0])); !text.empty())
    std::fprintf(stderr, "%s\n", ForTerminal(text).c_str());
  if (model.Items.empty()) throw std::invalid_argument("the project has no recipients");
  long row = parser.Number("--row", 1, static_cast<long>(model.Items.size())).value_or(1) - 1;
  TINI ini;
  if (parser.Has("--raw")) {
    PrintRaw(model, static_cast<int>(row), ini, parser.Has("--8bit"));
  } else {
    for (const PreviewLine& line : PreviewLines(model, static_cast<int>(row), ini.ilFrom().Text()))
      std::printf("%s\n", ForTerminal(line.Text, true).c_str());
  }
  return 0;
}

}  // namespace norvane::cli
