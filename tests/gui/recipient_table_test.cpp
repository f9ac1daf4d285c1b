// The recipient list's model and view over a real TMainForm: what the rows
// show, that presses and selections reach the recipient commands, and that a
// million rows are never walked.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <set>

#include "app/app_fixture.h"
#include "gui/recipient_table_model.h"
#include "gui/recipient_table_view.h"

namespace norvane {
namespace {

using test::AppFixture;

// Remembers every row the table asked about, whatever the role.
class WatchedModel : public RecipientTableModel {
 public:
  using RecipientTableModel::RecipientTableModel;
  QVariant data(const QModelIndex& index, int role) const override {
    rowsAsked.insert(index.row());
    return RecipientTableModel::data(index, role);
  }
  mutable std::set<int> rowsAsked;
};

class RecipientTable : public AppFixture, public ::testing::Test {
 protected:
  RecipientTable() : form(NewForm()) {}

  // Email, Result, Name; four rows covering every check state and icon, with
  // Windows-1252 text beyond ASCII.
  void FillSmallProject() {
    ProjectModel& project = form->Project;
    project.AddColumn("Name", 120);
    AddRow(project, "ann@example.com", true, {"Delivered and available to the recipient!", "M\xFCller \x80"});
    AddRow(project, "bob@example.com", false, {"Failed: Mailbox unavailable", "Bob"});
    AddRow(project, "cy@example.com", false, {"Sending...", "Cy"});
    AddRow(project, "dee@example.com", true);  // no sub-items at all
    project.Items[0].ImageIndex = kImageDelivered;
    project.Items[1].ImageIndex = kImageFailed;
    project.Items[2].ImageIndex = kImageSending;
    project.Items[2].StateIndex = -1;
  }

  QPoint CellCentre(RecipientTableView& view, int row, int x) {
    const QRect cell = view.visualRect(view.model()->index(row, 0));
    return QPoint(x, cell.center().y());
  }

  std::unique_ptr<TMainForm> form;
};

// The average colour of the icon's visible pixels.
QColor MeanColour(const QIcon& icon) {
  const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
  long red = 0, green = 0, blue = 0, count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (pixel.alpha() < 128) continue;
      red += pixel.red();
      green += pixel.green();
      blue += pixel.blue();
      ++count;
    }
  if (count == 0) return {};
  return QColor(int(red / count), int(green / count), int(blue / count));
}

TEST_F(RecipientTable, ShowsTheProjectsColumnsRowsChecksAndIcons) {
  FillSmallProject();
  RecipientTableView view(*form, nullptr);
  view.RowsChanged();
  const QAbstractItemModel& model = *view.model();

  ASSERT_EQ(model.columnCount(), 3);
  ASSERT_EQ(model.rowCount(), 4);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Email");
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Result");
  EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Name");
  EXPECT_EQ(view.columnWidth(0), 120);
  EXPECT_EQ(view.columnWidth(1), 290);

  auto text = [&](int row, int column) { return model.data(model.index(row, column)).toString(); };
  EXPECT_EQ(text(0, 0), "ann@example.com");
  EXPECT_EQ(text(0, 1), "Delivered and available to the recipient!");
  EXPECT_EQ(text(0, 2), QString::fromUtf8("M\u00fcller \u20ac"));  // converted from Windows-1252
  EXPECT_EQ(text(3, 1), "");
  EXPECT_EQ(text(3, 2), "");

  // Check boxes: 1 checked, 0 empty, -1 none at all; only in the first column.
  auto check = [&](int row, int column) { return model.data(model.index(row, column), Qt::CheckStateRole); };
  EXPECT_EQ(check(0, 0).value<Qt::CheckState>(), Qt::Checked);
  EXPECT_EQ(check(1, 0).value<Qt::CheckState>(), Qt::Unchecked);
  EXPECT_FALSE(check(2, 0).isValid());
  EXPECT_FALSE(check(0, 1).isValid());

  // Result icons: green tick, red cross, blue triangle; none for -1.
  struct Want {
    int row;
    bool (*dominant)(const QColor&);
  };
  const Want icons[] = {
      {0, [](const QColor& c) { return c.green() > c.red() && c.green() > c.blue(); }},
      {1, [](const QColor& c) { return c.red() > c.green() && c.red() > c.blue(); }},
      {2, [](const QColor& c) { return c.blue() > c.red() && c.blue() > c.green(); }},
  };
  for (const Want& want : icons) {
    const QVariant icon = model.data(model.index(want.row, 0), Qt::DecorationRole);
    ASSERT_TRUE(icon.canConvert<QIcon>()) << want.row;
    EXPECT_TRUE(want.dominant(MeanColour(icon.value<QIcon>()))) << want.row;
  }
  EXPECT_FALSE(model.data(model.index(3, 0), Qt::DecorationRole).isValid());
  EXPECT_FALSE(model.data(model.index(0, 1), Qt::DecorationRole).isValid());
  EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(RecipientTable, PressesAndSelectionGoThroughTheRecipientCommands) {
  FillSmallProject();
  RecipientTableView view(*form, nullptr);
  view.resize(600, 300);
  view.RowsChanged();
  view.show();
  QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
  QSignalSpy logic(&view, &RecipientTableView::LogicChanged);
  ASSERT_FALSE(form->Project.FModified);

  // A press right of the box selects the row and leaves its check alone.
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 1, 60));
  EXPECT_EQ(form->Window.Selected, 1);
  EXPECT_TRUE(form->Window.Actions.acRecipientEdit.Enabled);
  EXPECT_EQ(form->Project.Items[1].StateIndex, 0);
  EXPECT_FALSE(form->Project.FModified);
  EXPECT_GE(logic.count(), 1);

  // A press on the box toggles through the logic: modified, and only that row repainted.
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 1, 5));
  EXPECT_EQ(form->Project.Items[1].StateIndex, 1);
  EXPECT_TRUE(form->Project.FModified);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 1);
  EXPECT_EQ(changed[0][1].toModelIndex().row(), 1);
  // Any mouse button counts, as on the list it stands for.
  QTest::mouseClick(view.viewport(), Qt::RightButton, {}, CellCentre(view, 1, 5));
  EXPECT_EQ(form->Project.Items[1].StateIndex, 0);

  // Setting the check state from outside the view toggles through the same logic.
  form->Project.FModified = false;
  view.model()->setData(view.model()->index(2, 0), Qt::Checked, Qt::CheckStateRole);
  EXPECT_EQ(form->Project.Items[2].StateIndex, 1);
  EXPECT_TRUE(form->Project.FModified);

  // A double click runs the properties command on the selected row.
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, CellCentre(view, 0, 60));
  EXPECT_EQ(ui.modalCaptions, std::vector<std::string>{"Properties"});

  // The logic's own selection (Find Next) shows in the table.
  form->Window.ListView1SelectItem(3, false);
  form->Window.MakeVisible(3);
  ASSERT_EQ(view.selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(view.selectionModel()->selectedRows()[0].row(), 3);
  EXPECT_EQ(form->Window.Selected, 3);
}

TEST_F(RecipientTable, RowChangedRepaintsThatRowOnly) {
  FillSmallProject();
  RecipientTableView view(*form, nullptr);
  view.RowsChanged();
  QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
  QSignalSpy reset(view.model(), &QAbstractItemModel::modelReset);

  form->Project.Items[2].ImageIndex = kImageDelivered;
  view.RowChanged(2);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex(), view.model()->index(2, 0));
  EXPECT_EQ(changed[0][1].toModelIndex(), view.model()->index(2, 2));
  EXPECT_EQ(reset.count(), 0);

  view.RowChanged(4);  // past the end: nothing
  view.RowChanged(-1);
  EXPECT_EQ(changed.count(), 1);
}

TEST_F(RecipientTable, RowsReplacedBehindTheViewAreShownAfterRowsChanged) {
  FillSmallProject();
  RecipientTableView view(*form, nullptr);
  view.RowsChanged();
  form->Window.ListView1SelectItem(3, false);

  // New project: the rows go, the columns are reset, the logic clears its selection.
  ASSERT_NO_THROW(form->ExecuteAction("acNew"));
  view.RowsChanged();
  EXPECT_EQ(view.model()->rowCount(), 0);
  EXPECT_EQ(view.model()->columnCount(), 2);
  EXPECT_TRUE(view.selectionModel()->selectedRows().isEmpty());
  EXPECT_EQ(form->Window.Selected, -1);
}

TEST_F(RecipientTable, AMillionRowsOpenAndScrollWithoutWalkingTheRows) {
  constexpr int kRows = 1'000'000;
  ProjectModel& project = form->Project;
  project.Items.resize(kRows);
  for (int i = 0; i < kRows; ++i) {
    project.Items[i].Caption = "r" + std::to_string(i) + "@ex.org";
    project.Items[i].StateIndex = 1;
  }
  auto* watched = new WatchedModel(*form);
  RecipientTableView view(*form, nullptr, watched);
  view.resize(640, 300);
  view.RowsChanged();
  view.show();
  view.viewport()->grab();
  ASSERT_EQ(view.model()->rowCount(), kRows);
  EXPECT_TRUE(watched->rowsAsked.count(0));

  view.scrollToBottom();
  view.viewport()->grab();
  const int lastShown = view.rowAt(view.viewport()->height() - 2);
  EXPECT_EQ(lastShown, kRows - 1);
  EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
  EXPECT_TRUE(watched->rowsAsked.count(kRows - 1));
  // Only the rows on the screen were ever asked for, not the list.
  EXPECT_LT(watched->rowsAsked.size(), 200u);
}

}  // namespace
}  // namespace norvane
