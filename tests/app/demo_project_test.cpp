// The demo project in data/demo/ is built from its sources here; the test
// fails when the checked-in file and its sources drift apart, and
// NORVANE_UPDATE_DEMO=1 writes the file anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/codepage.h"
#include "project/project_file.h"
#include "sandbox/outcome_script.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

const std::filesystem::path kDemoDir = std::filesystem::path(__FILE__).parent_path() / "../../data/demo";

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
    parts.push_back(text.substr(start, end - start));
  parts.push_back(text.substr(start));
  return parts;
}

ProjectModel BuildDemo() {
  ProjectModel model;
  std::vector<std::string> lines = Split(test::ReadFile((kDemoDir / "recipients.csv").string()), '\n');
  std::vector<std::string> header = Split(lines.at(0), ',');
  for (std::size_t k = 1; k < header.size(); ++k) model.AddColumn(header[k], 120);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    std::vector<std::string> cells = Split(Utf8ToAnsi(lines[i]), ',');
    TListItem item;
    item.Caption = cells.at(0);
    item.StateIndex = 1;
    item.SubItems = {""};
    item.SubItems.insert(item.SubItems.end(), cells.begin() + 1, cells.end());
    model.Items.push_back(std::move(item));
  }
  model.To = "<name> <<email>>";
  model.Subject = "News from our shop in <city>";
  std::string body = test::ReadFile((kDemoDir / "message.txt").string());
  while (!body.empty() && body.back() == '\n') body.pop_back();
  std::string crlf;
  for (char c : Utf8ToAnsi(body)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  model.Body = crlf;
  model.Attachments.push_back({"price-list.txt", "data/demo/", -1});
  return model;
}

TEST(DemoProject, MatchesItsSources) {
  std::string path = (kDemoDir / "demo.nvp").string();
  ProjectModel demo = BuildDemo();
  if (std::getenv("NORVANE_UPDATE_DEMO")) SaveProject(demo, path);
  ASSERT_EQ(test::ReadFile(path), WriteProjectStream(demo))
      << "rebuild data/demo/demo.nvp (see data/demo/README.md)";

  ProjectModel loaded;
  LoadProject(loaded, path);
  EXPECT_EQ(loaded.Items.size(), 12u);
  EXPECT_EQ(loaded.Columns.size(), 4u);  // Email, Result and two fields
  int scripted = 0;
  for (const TListItem& item : loaded.Items)
    if (OutcomeForRecipient(item.Caption).kind != ScriptedOutcome::Kind::kAccept) ++scripted;
  EXPECT_EQ(scripted, 4);  // reject-550, full-552, tempfail-450, drop
  EXPECT_TRUE(std::filesystem::exists(kDemoDir / "../.." / loaded.Attachments.at(0).FullPath()));
}

}  // namespace
}  // namespace norvane
