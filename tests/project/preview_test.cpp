#include "project/preview.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace norvane {
namespace {

class PreviewTest : public ::testing::Test {
 protected:
  PreviewTest() {
    model.AddColumn("Name", 120);
    model.Items.push_back({"ann@example.org", {"", "Ann"}});
    model.SetTo("<Name> <<email>>");
    model.SetSubject("Hello <name>");
  }
  ProjectModel model;
};

TEST_F(PreviewTest, HeaderLinesInBoldThenAnEmptyLineThenTheWrappedBody) {
  model.SetBody("Dear <name>,\r\n" + std::string(80, 'w') + "\r\n<email>");
  const std::vector<PreviewLine> expected = {
      {"From: Me <me@example.org>", true},  // the sender as stored, never merged
      {"To: Ann <ann@example.org>", true},
      {"Subject: Hello Ann", true},
      {"", false},
      {"Dear Ann,", false},
      {std::string(74, 'w'), false},
      {std::string(6, 'w'), false},
      {"ann@example.org", false},
  };
  EXPECT_EQ(PreviewLines(model, 0, "Me <me@example.org>"), expected);
  EXPECT_EQ(
      PreviewText(model, 0, "Me <me@example.org>"),
      "From: Me <me@example.org>\r\nTo: Ann <ann@example.org>\r\nSubject: Hello Ann\r\n\r\nDear Ann,\r\n" +
          std::string(74, 'w') + "\r\n" + std::string(6, 'w') + "\r\nann@example.org\r\n");
}

TEST_F(PreviewTest, EmptyTemplatesGiveEmptyLinesAndBareLineEndsStayInTheirLine) {
  model.SetTo("");
  model.SetSubject("");
  model.SetBody("a\rb\nc\r\n");
  const std::vector<PreviewLine> expected = {
      {"From: <email>", true}, {"To: ", true}, {"Subject: ", true}, {"", false},
      {"a\rb\nc", false},      {"", false},
  };
  EXPECT_EQ(PreviewLines(model, 0, "<email>"), expected);
}

TEST_F(PreviewTest, ARowThatDoesNotExistIsAnError) {
  EXPECT_THROW(PreviewLines(model, 1, ""), std::out_of_range);
}

}  // namespace
}  // namespace norvane
