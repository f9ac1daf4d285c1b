// The files that make the desktop start norvane-gui for a project: the
// .desktop entry, the project file's MIME type and the application icon,
// checked with the desktop's own tools where they exist.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <map>

namespace norvane {
namespace {

QString DesktopFile(const char* name) {
  return QFileInfo(QStringLiteral(__FILE__)).dir().absoluteFilePath(QStringLiteral("../../data/desktop/")) +
         name;
}

// Runs a program to its end; its exit code, or -1 when it cannot run.
int RunToEnd(const QString& program, const QStringList& args, QString* output) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, args);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return -1;
  *output = QString::fromUtf8(process.readAll());
  return process.exitCode();
}

// The "key=value" lines of the [Desktop Entry] group.
std::map<QString, QString> EntryKeys(const QString& path) {
  std::map<QString, QString> keys;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return keys;
  bool inEntry = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith('[')) inEntry = line == "[Desktop Entry]";
    const qsizetype equals = line.indexOf('=');
    if (inEntry && equals > 0) keys[line.left(equals)] = line.mid(equals + 1);
  }
  return keys;
}

QString Required(const char* program) {
  const QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
  EXPECT_FALSE(path.isEmpty()) << program << " is missing: run scripts/setup";
  return path;
}

TEST(DesktopEntry, StartsTheWindowWithTheProjectOpenedFromTheFileManager) {
  const QString entry = DesktopFile("norvane.desktop");
  const QString validator = Required("desktop-file-validate");
  if (!validator.isEmpty()) {
    QString complaints;
    EXPECT_EQ(RunToEnd(validator, {entry}, &complaints), 0) << complaints.toStdString();
    EXPECT_TRUE(complaints.trimmed().isEmpty()) << complaints.toStdString();
  }
  const std::map<QString, QString> keys = EntryKeys(entry);
  auto key = [&](const char* name) {
    auto found = keys.find(QString::fromLatin1(name));
    return found == keys.end() ? QString() : found->second;
  };
  EXPECT_EQ(key("Exec"), "norvane-gui %f");
  EXPECT_EQ(key("Icon"), "norvane");
  EXPECT_EQ(key("MimeType"), "application/x-norvane-project;");
  EXPECT_EQ(key("Terminal"), "false");
}

TEST(DesktopEntry, ProjectFilesAreTheirOwnMimeType) {
  const QString updater = Required("update-mime-database");
  if (updater.isEmpty()) return;
  // A private MIME database holding only our package: the real tool must
  // accept it and map the extension to the type.
  QTemporaryDir database;
  ASSERT_TRUE(database.isValid());
  ASSERT_TRUE(QDir(database.path()).mkpath("packages"));
  ASSERT_TRUE(QFile::copy(DesktopFile("norvane.xml"), database.filePath("packages/norvane.xml")));
  QString complaints;
  ASSERT_EQ(RunToEnd(updater, {database.path()}, &complaints), 0) << complaints.toStdString();
  QFile globs(database.filePath("globs2"));
  ASSERT_TRUE(globs.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(globs.readAll()).contains(":application/x-norvane-project:*.nvp"));
}

TEST(DesktopEntry, IconIsASquareScalablePicture) {
  QFile file(DesktopFile("norvane.svg"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader svg(&file);
  ASSERT_TRUE(svg.readNextStartElement()) << svg.errorString().toStdString();
  EXPECT_EQ(svg.name(), QStringLiteral("svg"));
  EXPECT_EQ(svg.attributes().value("viewBox"), QStringLiteral("0 0 128 128"));
  int elements = 0;
  while (!svg.atEnd()) {
    if (svg.readNext() == QXmlStreamReader::StartElement) ++elements;
  }
  EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
  EXPECT_GT(elements, 3);
}

}  // namespace
}  // namespace norvane
