#include "ui/most_recent_used_list.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::TempDir;

constexpr char kKey[] = "\\software\\Kalvento\\Norvane";

// A File menu as the view holds it: ids and captions in order.
class FakeMenu : public TMruMenu {
 public:
  explicit FakeMenu(int fixedItems) {
    for (int i = 0; i < fixedItems; ++i) items.push_back({-100 - i, "fixed" + std::to_string(i)});
  }
  int ItemCount() const override { return static_cast<int>(items.size()); }
  void InsertItem(int position, int id, const std::string& caption) override {
    ASSERT_LE(position, ItemCount());
    items.insert(items.begin() + position, {id, caption});
    ++inserts;
  }
  void RemoveItem(int id) override {
    auto it = std::find_if(items.begin(), items.end(), [&](const auto& item) { return item.first == id; });
    ASSERT_NE(it, items.end()) << id;
    items.erase(it);
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const auto& item : items) captions.push_back(item.second);
    return captions;
  }
  int IdOf(const std::string& caption) const {
    for (const auto& item : items)
      if (item.second == caption) return item.first;
    return -1;
  }

  std::vector<std::pair<int, std::string>> items;
  int inserts = 0;
};

struct MruFixture : ::testing::Test {
  TempDir dir;
  RegistryHive hive{dir.File("Norvane.reg")};
  FakeMenu menu{3};

  std::unique_ptr<TMostRecentUsedList> Make() {
    auto list = std::make_unique<TMostRecentUsedList>(hive);
    list->MenuToAttach = &menu;
    list->MenuIndex = 2;
    list->SetRegistryKey(kKey);
    return list;
  }
};

TEST_F(MruFixture, AddingKeepsTheNewestFiveNumberedFromOneAfterASeparator) {
  auto list = Make();
  EXPECT_EQ(menu.Captions(),
            (std::vector<std::string>{"fixed0", "fixed1", "fixed2"}));  // empty: no separator
  for (int i = 1; i <= 6; ++i) list->AddFilename("/p/file" + std::to_string(i) + ".nvp");
  EXPECT_EQ(menu.Captions(),
            (std::vector<std::string>{"fixed0", "fixed1", "-", "&1 file6.nvp", "&2 file5.nvp", "&3 file4.nvp",
                                      "&4 file3.nvp", "&5 file2.nvp", "fixed2"}));

  list->AddFilename("/P/FILE4.NVP");  // same file in other letters: moved, first spelling kept
  EXPECT_EQ(list->Filenames(), (std::vector<std::string>{"/p/file4.nvp", "/p/file6.nvp", "/p/file5.nvp",
                                                         "/p/file3.nvp", "/p/file2.nvp"}));
  EXPECT_EQ(menu.Captions()[3], "&1 file4.nvp");
}

TEST_F(MruFixture, ClickingAnEntryReportsItsPathAndMovesItUp) {
  auto list = Make();
  std::vector<std::string> selected;
  list->OnSelectFilename = [&](TMostRecentUsedList&, const std::string& name) { selected.push_back(name); };
  for (const char* name : {"/a/one.nvp", "/a/two.nvp", "/a/three.nvp"}) list->AddFilename(name);

  list->ClickItem(menu.IdOf("&3 one.nvp"));
  EXPECT_EQ(selected, std::vector<std::string>{"/a/one.nvp"});
  EXPECT_EQ(menu.Captions()[3], "&1 one.nvp");
  EXPECT_EQ(menu.Captions()[5], "&3 two.nvp");

  int inserts = menu.inserts;
  list->ClickItem(menu.IdOf("&1 one.nvp"));
  EXPECT_EQ(selected.size(), 2u);
  EXPECT_EQ(menu.inserts, inserts);  // the first entry does not rebuild the menu

  // A handler that opens the project and adds it again must not upset the list.
  list->OnSelectFilename = [&](TMostRecentUsedList& sender, const std::string& name) {
    sender.AddFilename("/a/new.nvp");
    sender.AddFilename(name);
  };
  list->ClickItem(menu.IdOf("&3 two.nvp"));
  EXPECT_EQ(list->Filenames().front(), "/a/two.nvp");
  EXPECT_EQ(menu.ItemCount(), 3 + 1 + 4);
}

TEST_F(MruFixture, SavedListReplacesTheStoredOneAndLoadsWithoutTrimming) {
  std::string mru = std::string(kKey) + "\\MRU";
  for (int i = 0; i < 7; ++i) hive.WriteString(mru, std::to_string(i), "/s/f" + std::to_string(i));
  hive.WriteString(mru, "Total", "7");
  hive.WriteString(mru, "Stale", "x");
  auto list = Make();
  EXPECT_EQ(list->Filenames().size(), 7u);
  list->AddFilename("/s/new");
  EXPECT_EQ(list->Filenames().size(), 5u);
  list->Save();
  EXPECT_EQ(hive.ValueNames(mru), (std::vector<std::string>{"0", "1", "2", "3", "4", "Total"}));
  EXPECT_EQ(hive.ReadString(mru, "0"), "/s/new");
  EXPECT_EQ(hive.ReadString(mru, "Total"), "5");

  list.reset();  // saved state unchanged: the destructor adds nothing
  auto again = Make();
  EXPECT_EQ(again->Filenames(), (std::vector<std::string>{"/s/new", "/s/f0", "/s/f1", "/s/f2", "/s/f3"}));
}

TEST_F(MruFixture, BadTotalLoadsNothingAndKeepsTheStoredValues) {
  std::string mru = std::string(kKey) + "\\MRU";
  for (const char* total : {"abc", "-1", "99999999", ""}) {
    hive.WriteString(mru, "0", "/kept");
    hive.WriteString(mru, "Total", total);
    auto list = std::make_unique<TMostRecentUsedList>(hive);
    list->SetRegistryKey(kKey);
    EXPECT_TRUE(list->Filenames().empty()) << total;
    EXPECT_EQ(hive.ReadString(mru, "0"), "/kept");
    list->Save();
  }
  hive.WriteString(mru, "Total", "2");  // a missing value reads as an empty name
  hive.WriteString(mru, "0", "/only");
  auto list = Make();
  EXPECT_EQ(list->Filenames(), (std::vector<std::string>{"/only", ""}));
}

TEST_F(MruFixture, MenuIsRequiredAndCaptionsFollowStyleAndHandler) {
  TMostRecentUsedList list(hive);
  EXPECT_THROW(list.Loaded(), TMostRecentUsedListError);
  try {
    list.AddFilename("/x");
    FAIL();
  } catch (const TMostRecentUsedListError& error) {
    EXPECT_STREQ(error.what(), "MenuToAttach have to be assigned before");
  }
  list.MenuToAttach = &menu;
  list.SetRegistryKey(kKey);
  list.AddSeparator = false;
  list.FilenameStyle = TFilenameStyle::dsFull;
  list.AddFilename("/dir/a.nvp");
  EXPECT_EQ(menu.Captions().back(), "&1 /dir/a.nvp");
  list.OnDrawFilename = [](TMostRecentUsedList&, int index, std::string& name) {
    name = std::to_string(index) + ":" + name;
  };
  list.AddFilename("/dir/b.nvp");
  EXPECT_EQ(menu.Captions(),
            (std::vector<std::string>{"fixed0", "fixed1", "fixed2", "1:/dir/b.nvp", "2:/dir/a.nvp"}));
}

}  // namespace
}  // namespace norvane
