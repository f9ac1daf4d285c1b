#include "app/mailing_checks.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace norvane {
namespace {

using Strings = std::vector<std::string>;

ProjectModel Mailing() {
  ProjectModel model;
  model.AddColumn("First Name", 80);
  model.To = "\"<First Name>\" <email>";
  model.Subject = "Offer for <FIRST NAME>";
  model.Body = "Dear <first name>,\r\nyour <cuntry> price: <b>5</b> <!-- x --> mail <a@b.test> <>";
  return model;
}

TEST(MailingChecks, FindsTheTagsAndWhichHaveAColumn) {
  ProjectModel model = Mailing();
  EXPECT_EQ(MergeTagsUsed(model), (Strings{"<first name>", "<email>", "<cuntry>", "<b>"}));
  EXPECT_TRUE(TagHasColumn(model, "<first name>"));
  EXPECT_TRUE(TagHasColumn(model, "<email>"));
  EXPECT_FALSE(TagHasColumn(model, "<cuntry>"));
}

TEST(MailingChecks, FindsDuplicateAddressesWithoutRegardToCase) {
  ProjectModel model;
  for (auto [address, state] : std::vector<std::pair<std::string, int>>{
           {"ann@x.test", 1}, {"bob@x.test", 1}, {" ANN@X.test", 1}, {"bob@x.test", 0}, {"Bob@X.test", 1}})
    model.Items.push_back({address, {}, state});
  auto rows = [](const std::vector<DuplicateRow>& found) {
    Strings out;
    for (const auto& d : found) out.push_back(std::to_string(d.row) + "=" + std::to_string(d.first));
    return out;
  };
  EXPECT_EQ(rows(FindDuplicateAddresses(model)), (Strings{"2=0", "3=1", "4=1"}));
  EXPECT_EQ(rows(FindDuplicateAddresses(model, 0, true)), (Strings{"2=0", "4=1"}));
  EXPECT_EQ(rows(FindDuplicateAddresses(model, 4)), (Strings{"4=1"}));
}

TEST(MailingChecks, WarnsBeforeSendingAnIncompleteMailing) {
  test::TempDir dir;
  test::WriteFile(dir.File("here.pdf"), "x");
  ProjectModel model;
  model.FProjectFileName = dir.File("p.nvp");
  model.Items = {{"a@x.test", {}, 1}, {"A@x.test", {}, 1}};
  model.Subject = "Hi <name>";
  model.Attachments = {{"here.pdf", "", -1}, {"gone.pdf", dir.path() + "/", -1}};
  EXPECT_EQ(SendWarnings(model),
            (Strings{"The message body is empty.", "The tag <name> has no column: it would be sent as it is.",
                     "The attachment " + dir.path() + "/gone.pdf does not exist.",
                     "A@x.test would get the message twice (rows 1 and 2)."}));
  model.Subject = "Hi";
  model.Body = "Text";
  model.Attachments.pop_back();
  model.Items[1].StateIndex = 0;
  EXPECT_EQ(SendWarnings(model), Strings{});
}

}  // namespace
}  // namespace norvane
