// recipient_table_probe [ROWS] [UPDATES]: the costs of the main window's
// recipient list on Qt's offscreen platform. Prints the time to open a
// project of ROWS recipients (model reset, the table shown and its viewport
// painted once), to jump to the last row and paint it, the mean cost of one
// outcome arriving (TSendingController's row change: RowChanged, then the
// events it queued, repaint included) over UPDATES consecutive rows, and the
// process's peak resident size. The settings go wherever NORVANE_CONFIG points.
#include <sys/resource.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_form.h"
#include "gui/qt_main_form_ui.h"
#include "gui/recipient_table_view.h"
#include "settings/ini_data.h"

namespace {

using WallClock = std::chrono::steady_clock;

double MillisecondsSince(WallClock::time_point start) {
  return std::chrono::duration<double, std::milli>(WallClock::now() - start).count();
}

// Processor time of this process (user + system), which a busy machine
// inflates far less than wall time.
double CpuMilliseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace norvane;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
  const int updates = argc > 2 ? std::atoi(argv[2]) : 10'000;
  if (rows <= 0 || updates <= 0 || updates > rows) {
    std::fprintf(stderr, "usage: recipient_table_probe [ROWS] [UPDATES <= ROWS]\n");
    return 2;
  }

  QtMainFormUi ui;
  TINI ini;
  TMainForm form(ui, ini);
  form.FormCreate({});
  ProjectModel& project = form.Project;
  project.AddColumn("Name", 120);
  project.AddColumn("City", 120);
  project.Items.resize(static_cast<std::size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    TListItem& item = project.Items[static_cast<std::size_t>(i)];
    item.Caption = "recipient" + std::to_string(i) + "@example.test";
    item.SubItems = {"", "Name " + std::to_string(i),
                     "K\xF8"
                     "benhavn"};
    item.StateIndex = 1;
  }
  const long filledKilobytes = PeakKilobytes();

  RecipientTableView view(form, nullptr);
  view.resize(648, 400);
  auto start = WallClock::now();
  view.RowsChanged();
  view.show();
  view.viewport()->grab();
  const double openMs = MillisecondsSince(start);

  start = WallClock::now();
  view.scrollToBottom();
  view.viewport()->grab();
  const double endMs = MillisecondsSince(start);
  view.scrollToTop();
  QApplication::processEvents();

  // Outcomes arrive in row order, as the engine takes recipients in order,
  // so each new row scrolls the table by one; then the same number of
  // updates to rows already on the screen, which only repaint.
  auto outcome = [&](int row, int round) {
    TListItem& item = project.Items[static_cast<std::size_t>(row)];
    const bool failed = (row + round) % 7 == 0;
    item.ImageIndex = failed ? kImageFailed : kImageDelivered;
    item.SetSubItem(0, failed ? "Failed: Mailbox unavailable" : "Delivered and available to the recipient!");
    item.StateIndex = failed ? 1 : 0;
    view.RowChanged(row);
    QApplication::processEvents();
  };
  start = WallClock::now();
  double cpu = CpuMilliseconds();
  for (int row = 0; row < updates; ++row) outcome(row, 0);
  const double scrollingMs = MillisecondsSince(start);
  const double scrollingCpuMs = CpuMilliseconds() - cpu;
  view.scrollToTop();
  QApplication::processEvents();
  const int onScreen = std::max(1, view.rowAt(view.viewport()->height() - 1));
  start = WallClock::now();
  cpu = CpuMilliseconds();
  for (int i = 0; i < updates; ++i) outcome(i % onScreen, i);
  const double inPlaceMs = MillisecondsSince(start);
  const double inPlaceCpuMs = CpuMilliseconds() - cpu;

  std::printf("rows: %d\n", rows);
  std::printf("open + first paint: %.1f ms\n", openMs);
  std::printf("scroll to the last row + paint: %.1f ms\n", endMs);
  std::printf(
      "outcome update, next row (RowChanged + processEvents, scrolls): %.1f us wall, %.1f us cpu each"
      " over %d rows\n",
      scrollingMs * 1000.0 / updates, scrollingCpuMs * 1000.0 / updates, updates);
  std::printf(
      "outcome update, row on screen (RowChanged + processEvents): %.1f us wall, %.1f us cpu each"
      " over %d updates\n",
      inPlaceMs * 1000.0 / updates, inPlaceCpuMs * 1000.0 / updates, updates);
  std::printf("peak resident: %ld KB (%ld KB with the rows filled, before the view)\n", PeakKilobytes(),
              filledKilobytes);
  return 0;
}
