#include "project/merge.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace norvane {
namespace {

// The replacement as a search from the start after every replacement; it
// only ends when the value cannot begin a tag, so it is fed such values.
std::string ReplaceByRescanning(const std::string& tag, std::string text, const std::string& value) {
  for (;;) {
    const std::size_t at = AnsiLowerCase(text).find(tag);
    if (at == std::string::npos) return text;
    text.replace(at, tag.size(), value);
  }
}

// The rule for any value: search from the start for the first occurrence that
// begins with a character of the original text, replace it, repeat. Every
// replacement uses up a character of the text, so this always ends.
std::string ReplaceMarkingInsertedCharacters(const std::string& tag, const std::string& text,
                                             const std::string& value) {
  std::string s = text;
  std::vector<bool> from_text(text.size(), true);
  for (;;) {
    const std::string lower = AnsiLowerCase(s);
    std::size_t at = lower.find(tag);
    while (at != std::string::npos && !from_text[at]) at = lower.find(tag, at + 1);
    if (at == std::string::npos) return s;
    s.replace(at, tag.size(), value);
    from_text.erase(from_text.begin() + static_cast<std::ptrdiff_t>(at),
                    from_text.begin() + static_cast<std::ptrdiff_t>(at + tag.size()));
    from_text.insert(from_text.begin() + static_cast<std::ptrdiff_t>(at), value.size(), false);
  }
}

struct ReplaceCase {
  const char* tag;
  std::string text;
  std::string value;
  std::string expected;
};

TEST(ReplaceTag, ReplacesEveryOccurrenceInAnyLetterCase) {
  const ReplaceCase cases[] = {
      {"<email>", "Hi <EMAIL>, <Email> and <email>!", "Ann@X.org", "Hi Ann@X.org, Ann@X.org and Ann@X.org!"},
      {"<email>", "<email><email>", "a", "aa"},
      {"<name>", "Dear <NAME>,", "McDonald", "Dear McDonald,"},
      {"<first name>", "<First Name>", "Eve", "Eve"},
      {"<email>", "no tags here", "a", "no tags here"},
      {"<email>", "", "a", ""},
      {"<email>", "<email", "a", "<email"},
      {"<\xE9t\xE9>", "<\xC9T\xC9>", "summer", "summer"},  // accented capitals match too
      {"", "text", "v", "text"},
  };
  for (const ReplaceCase& c : cases) EXPECT_EQ(ReplaceTag(c.tag, c.text, c.value), c.expected) << c.text;
}

TEST(ReplaceTag, ReplacesTagsThatAReplacementFormsWithTheTextAround) {
  const ReplaceCase cases[] = {
      {"<x>", "<<x>x>", "", ""},         // "<" + tag + "x>": the rest forms the tag again
      {"<x>", "a<<<x>x>x>b", "", "ab"},  // and again, walking left
      {"<x>", "<x<x>>", "", ""},         // "<x" + tag + ">"
      {"<x>", "<<x>", "x>", "x>"},       // text "<" and the value's "x>"
      {"<x>", "<<x><x>", "x", "<xx"},    // "<x<x>" after the first, then the second
      {"<ab>", "<a<ab>>", "b", "b"},     // "<a" + value "b" + ">"
  };
  for (const ReplaceCase& c : cases) {
    EXPECT_EQ(ReplaceTag(c.tag, c.text, c.value), c.expected) << c.text;
    EXPECT_EQ(ReplaceByRescanning(c.tag, c.text, c.value), c.expected) << c.text;
  }
}

TEST(ReplaceTag, EndsWhenTheValueHoldsItsOwnTagAndNeverLetsTheValueBeginATag) {
  const ReplaceCase cases[] = {
      {"<x>", "a<x>b<X>c", "[<x>]", "a[<x>]b[<x>]c"},
      {"<email>", "<email>", "<EMAIL>", "<EMAIL>"},
      {"<x>", "<x>x>", "<", "<x>"},  // the value's "<" does not open a tag with the text's "x>"
      {"<x>", "<x><x>", "<x", "<x<x"},
  };
  for (const ReplaceCase& c : cases) EXPECT_EQ(ReplaceTag(c.tag, c.text, c.value), c.expected) << c.text;

  // Many self-containing values: still one pass.
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "<x>";
  EXPECT_EQ(ReplaceTag("<x>", text, "<x><x>").size(), text.size() * 2);
}

TEST(ReplaceTag, AgreesWithASearchFromTheStartForValuesThatCannotBeginATag) {
  std::mt19937 random(12345);
  const std::string alphabet = "<>xXa ";
  const std::string value_alphabet = ">xXa ";
  auto draw = [&](const std::string& from, int max_length) {
    std::string s(std::uniform_int_distribution<int>(0, max_length)(random), ' ');
    for (char& c : s) c = from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    return s;
  };
  for (const char* tag : {"<x>", "<xa>", "<x x>", "<>", "<<>"}) {
    for (int round = 0; round < 3000; ++round) {
      const std::string text = draw(alphabet, 24);
      const std::string value = draw(value_alphabet, 5);
      ASSERT_EQ(ReplaceTag(tag, text, value), ReplaceByRescanning(tag, text, value))
          << "tag " << tag << " text '" << text << "' value '" << value << "'";
    }
  }
}

TEST(ReplaceTag, FollowsTheSameRuleForValuesThatHoldTheTagsFirstCharacter) {
  std::mt19937 random(54321);
  const std::string alphabet = "<>xXa";
  auto draw = [&](int max_length) {
    std::string s(std::uniform_int_distribution<int>(0, max_length)(random), ' ');
    for (char& c : s)
      c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
    return s;
  };
  for (const char* tag : {"<x>", "<xa>", "<>", "<<>", "<x<>"}) {
    for (int round = 0; round < 3000; ++round) {
      const std::string text = draw(24);
      const std::string value = draw(6);
      ASSERT_EQ(ReplaceTag(tag, text, value), ReplaceMarkingInsertedCharacters(tag, text, value))
          << "tag " << tag << " text '" << text << "' value '" << value << "'";
    }
  }
}

class MergeRecipientTest : public ::testing::Test {
 protected:
  MergeRecipientTest() {
    model.AddColumn("First Name", 120);
    model.AddColumn("CITY", 120);
    model.Items.push_back({"ann@example.org", {"Delivered", "Ann", "Bern"}});
    model.Items.push_back({"bob@example.org", {}});
  }
  ProjectModel model;
};

TEST_F(MergeRecipientTest, ReplacesTheAddressAndEveryFieldByTheRowsValues) {
  EXPECT_EQ(MergeRecipient(model, 0, "<EMAIL>: Dear <first name> of <City>, <result>"),
            "ann@example.org: Dear Ann of Bern, <result>");
  EXPECT_EQ(MergeRecipient(model, 0, ""), "");
  EXPECT_EQ(MergeRecipient(model, 0, "plain"), "plain");
}

TEST_F(MergeRecipientTest, FieldsTheRowLacksMergeToNothingAndTheTextClosesUp) {
  EXPECT_EQ(MergeRecipient(model, 1, "Dear <first name>!\r\n<email> in <city>."),
            "Dear !\r\nbob@example.org in .");
}

TEST_F(MergeRecipientTest, LaterStepsSearchWhatEarlierStepsInserted) {
  model.Items.push_back({"x<city>@example.org", {"", "<email>", "Rome"}});
  // The address's field tag becomes the field value; the field value's
  // "<email>" stays because the address was merged first.
  EXPECT_EQ(MergeRecipient(model, 2, "<email> / <first name>"), "xRome@example.org / <email>");
}

TEST_F(MergeRecipientTest, OfTwoColumnsThatDifferOnlyInCaseTheLeftOneTakesTheTag) {
  model.AddColumn("city", 120);
  model.Items[0].SubItems.push_back("Basel");
  EXPECT_EQ(MergeRecipient(model, 0, "<city>"), "Bern");
}

TEST_F(MergeRecipientTest, ARowThatDoesNotExistIsAnError) {
  EXPECT_THROW(MergeRecipient(model, 2, "<email>"), std::out_of_range);
  EXPECT_THROW(MergeRecipient(model, -1, "<email>"), std::out_of_range);
}

TEST_F(MergeRecipientTest, MergedBodyIsWrappedAt75) {
  model.Items[0].SetSubItem(1, std::string(100, 'n'));
  model.SetBody("Hi <first name>\r\n<first name>");
  // The long word leaves "Hi " alone on the first line and is then cut.
  EXPECT_EQ(MergedBody(model, 0), "Hi \r\n" + std::string(75, 'n') + "\r\n" + std::string(25, 'n') + "\r\n" +
                                      std::string(74, 'n') + "\r\n" + std::string(26, 'n'));
}

TEST(FieldTag, IsTheCaptionInLowerCaseBetweenAngleBrackets) {
  EXPECT_EQ(FieldTag("First Name"), "<first name>");
  EXPECT_EQ(FieldTag("\xC4RGER"), "<\xE4rger>");
  EXPECT_EQ(FieldTag(""), "<>");
}

}  // namespace
}  // namespace norvane
