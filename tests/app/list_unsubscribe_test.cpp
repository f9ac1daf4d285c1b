#include "app/list_unsubscribe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvane {
namespace {

ProjectModel OneRow() {
  ProjectModel model;
  model.AddColumn("Name", 100);
  model.AddColumn("First Name", 100);
  TListItem item;
  item.Caption = "ann+news@example.org";
  item.SubItems = {"", "Ann & Bob/Co", "Z\xfc"};
  model.Items.push_back(item);
  return model;
}

TEST(ListUnsubscribe, TargetsOfTheSetting) {
  using Targets = std::vector<std::string>;
  EXPECT_EQ(ListUnsubscribeTargets(""), Targets{});
  EXPECT_EQ(ListUnsubscribeTargets("  https://example.org/u?e=<email>  "),
            Targets{"https://example.org/u?e=<email>"});
  EXPECT_EQ(ListUnsubscribeTargets("unsub@example.org, https://example.org/u?n=<first name>"),
            (Targets{"mailto:unsub@example.org", "https://example.org/u?n=<first name>"}));
  EXPECT_EQ(ListUnsubscribeTargets("MAILTO:u@example.org?subject=<email>"),
            Targets{"MAILTO:u@example.org?subject=<email>"});
  for (const char* bad :
       {"example.org/unsubscribe", "https://example.org/u?e=<email", "https://ex\"ample.org",
        "https://example.org/\xe9", "@example.org", "a@b c@d e@f", "https://x.org/\x01"}) {
    EXPECT_THROW(ListUnsubscribeTargets(bad), std::invalid_argument) << bad;
  }
}

TEST(ListUnsubscribe, ValuesAreMergedPercentEncoded) {
  const ProjectModel model = OneRow();
  EXPECT_EQ(MergedTarget(model, 0, "https://example.org/u?e=<email>&n=<name>&f=<FIRST NAME>"),
            "https://example.org/u?e=ann%2Bnews@example.org&n=Ann%20%26%20Bob%2FCo&f=Z%C3%BC");
  // A tag naming no column cannot end the header's angle brackets.
  EXPECT_EQ(MergedTarget(model, 0, "https://example.org/<nothing>"), "https://example.org/%3Cnothing%3E");
}

TEST(ListUnsubscribe, HeaderLinesWithOneClickOnlyForHttps) {
  const ProjectModel model = OneRow();
  std::vector<std::string> lines = {"From: a@example.org", "Message-ID: <x@example.org>", ""};
  AddListUnsubscribe(lines, "https://example.org/u?e=<email> unsub@example.org", model, 0);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"From: a@example.org", "Message-ID: <x@example.org>",
                                      "List-Unsubscribe: <https://example.org/u?e=ann%2Bnews@example.org>, "
                                      "<mailto:unsub@example.org>",
                                      "List-Unsubscribe-Post: List-Unsubscribe=One-Click", ""}));

  std::vector<std::string> plain = {"From: a@example.org"};
  AddListUnsubscribe(plain, "http://example.org/u", model, 0);
  EXPECT_EQ(plain,
            (std::vector<std::string>{"From: a@example.org", "List-Unsubscribe: <http://example.org/u>"}));

  std::vector<std::string> none = {"From: a@example.org"};
  AddListUnsubscribe(none, "", model, 0);
  EXPECT_EQ(none.size(), 1u);
}

}  // namespace
}  // namespace norvane
