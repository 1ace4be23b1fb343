// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Window tests of start-up and close (the settings file, the build counter,
// "Exit"), saving the path and name lists, help and the about window.
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>

#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <utility>

#include "app/about_window.h"
#include "form_fixture.h"
#include "output/save_lists.h"
#include "session/texts.h"
#include "support/unprivileged.h"

using Kind = ScriptedDialogs::Kind;

class SettingsWindowTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void aFirstStartShowsAllColumnsAndDefaults();
  void everyValueSurvivesCloseAndStart();
  void storedColumnsFillTheBoxes_data();
  void storedColumnsFillTheBoxes();
  void theBuildCounterNeedsItsMarker();
  void exitLeavesTheSettingsFileAsItWas();
  void aCloseThatCannotWriteKeepsTheWindowOpen();
  void aStartDirectoryThatCannotBeWrittenLosesNothing();
  void manyColumnsAndExtremeValuesStartAndCloseUnchanged();
  void aSettingsFileNotReadToItsEndIsKeptAsBak();

  void savingWritesEveryCandidateInFilesOrder();
  void aFailedSaveShowsOnlyTheErrorBox();

  void helpOpensThePageOfTheStartDirectory();
  void aboutShowsOneWindowWithItsLinks();
  void everyShownTextCanBeRead();
};

namespace {

template <class W>
W* Child(const TFormMain& form, const char* name) {
  auto* w = form.findChild<W*>(QString::fromLatin1(name));
  if (!w) qFatal("no control named %s", name);
  return w;
}

QString Columns(const ResultList& list) {
  QStringList out;
  for (int c = 0; c < list.columnCount(); ++c) {
    out << QStringLiteral("%1:%2")
               .arg(QString::fromStdString(list.column(c).Caption))
               .arg(list.column(c).Width);
  }
  return out.join(QLatin1Char(','));
}

// Everything the settings file carries, and what start-up derives from it,
// one line per value.
QStringList Snapshot(TFormMain& form) {
  QStringList out;
  out << QStringLiteral("folder=") + QString::fromStdString(form.folderText());
  out << QStringLiteral("files=") + Columns(form.filesList());
  out << QStringLiteral("delete=") + Columns(form.deleteList());
  for (const char* name : {"ListBox1", "ListBox2", "ListBox3", "ListBox4"}) {
    QStringList entries;
    auto* box = Child<QListWidget>(form, name);
    for (int i = 0; i < box->count(); ++i) entries << box->item(i)->text();
    out << QString::fromLatin1(name) + QLatin1Char('=') + entries.join(QLatin1Char(','));
  }
  QStringList colors;
  for (const char* name :
       {"ColorComboBox1", "ColorComboBox2", "ColorComboBox3", "ColorComboBox4"}) {
    colors << QString::number(Child<TColorComboBox>(form, name)->value());
  }
  out << QStringLiteral("colors=") + colors.join(QLatin1Char(','));
  out << QStringLiteral("choices=%1,%2")
             .arg(Child<TRadioGroup>(form, "RadioGroup2")->itemIndex())
             .arg(Child<TRadioGroup>(form, "RadioGroup1")->itemIndex());
  out << QStringLiteral("images=%1,%2")
             .arg(form.applyImage(ListId::Files))
             .arg(form.applyImage(ListId::Delete));
  return out;
}

// The keep rules and scan options, the folders by their bytes.
QStringList Choices(const TFormMain& form) {
  QStringList out;
  QStringList keep;
  for (const auto& [criterion, on] : form.keepRules().criteria)
    keep << QString::fromLatin1(KeepCriterionWord(criterion).data()) +
                QLatin1String(on ? "+" : "-");
  for (const auto* folders : {&form.keepRules().preferred, &form.keepRules().protectedFolders}) {
    keep << QStringLiteral("|");
    for (const std::string& folder : *folders) keep << QString::fromLatin1(folder.c_str());
  }
  keep << QString::number(form.keepRules().afterEveryCheck ? 1 : 0);
  out << QStringLiteral("keep=") + keep.join(QLatin1Char(','));
  const ScanOptions& scan = form.scanOptions();
  out << QStringLiteral("scan=%1,%2%3%4")
             .arg(scan.minSize)
             .arg(int{scan.scope.hidden})
             .arg(int{scan.scope.trashFolders})
             .arg(int{scan.scope.vcsFolders});
  return out;
}

const QStringList kDefaultChoices = {
    QStringLiteral("keep=oldest-,newest-,shortest-path-,longest-path-,shallowest-,deepest-,name-,"
                   "|,|,0"),
    QStringLiteral("scan=0,111")};

const QString kDefaultColors = QStringLiteral("colors=12632256,8421504,16777215,0");

// Picks the standard colour `name` as the user would.
void Pick(TFormMain& form, const char* picker, const char* name) {
  auto* box = Child<TColorComboBox>(form, picker);
  box->setCurrentIndex(box->findText(QString::fromLatin1(name)));
}

}  // namespace

// A first start: the three columns of "Files" share its width, the careful
// check is selected and deleted files go to the Trash.
void SettingsWindowTest::aFirstStartShowsAllColumnsAndDefaults() {
  FormFixture f;
  const QStringList state = Snapshot(*f.form);
  const int width = f.form->filesList().column(0).Width;
  QVERIFY(width > 0);
  QVERIFY(3 * width <= f.form->files()->viewport()->width());
  const QString columns = QStringLiteral("FileName:%1,Size:%1,Path:%1").arg(width);
  QCOMPARE(state,
           L("folder=", QStringLiteral("files=") + columns, QStringLiteral("delete=") + columns,
             "ListBox1=", "ListBox2=FileName,Size,Path", "ListBox3=", "ListBox4=FileName,Size,Path",
             kDefaultColors, "choices=0,1", "images=0,0"));
  QCOMPARE(Choices(*f.form), kDefaultChoices);
  // The fixture turns the Trash off for its tests; a plain first start has it on.
  QVERIFY(TFormMain(f.environment())
              .findChild<QCheckBox*>(QStringLiteral("CheckBoxTrash"))
              ->isChecked());
  QCOMPARE(f.child<TColorComboBox>("ColorComboBox3")->currentText(), QStringLiteral("White"));
  QCOMPARE(f.child<TColorComboBox>("ColorComboBox4")->currentText(), QStringLiteral("Black"));
  QCOMPARE(f.form->files()->header()->sectionSize(2), width);
  // Nothing remembered: centred on the desktop. The check-mode group shows whole.
  const QPoint centre = f.form->screen()->availableGeometry().center();
  QVERIFY((f.form->frameGeometry().center() - centre).manhattanLength() <= 2);
  auto* mode = f.child<QWidget>("RadioGroup1");
  QCOMPARE(mode->height(), 80);
  QVERIFY(mode->geometry().bottom() < f.child<QWidget>("TabSheetScan")->height());
  // So do the column pages' OK buttons, above the Trash choice.
  f.child<QTabWidget>("PageControl1")->setCurrentWidget(f.child<QWidget>("TabSheet3"));
  for (const auto& [name, button] : {std::pair{"TabSheetColumnsFiles", "SpeedButton21_"},
                                     std::pair{"TabSheetColumnsDelete", "SpeedButton24"}}) {
    auto* page = f.child<QWidget>(name);
    f.child<QTabWidget>("PageControl3")->setCurrentWidget(page);
    QCoreApplication::processEvents();
    QVERIFY(page->rect().contains(f.child<QWidget>(button)->geometry()));
  }

  // The empty folder is written as an empty line and read back as empty.
  QVERIFY(f.form->close());
  QVERIFY(ReadFileBytes(f.start.path("perferences.set")).starts_with("\r\n3\r\nFileName\r\n"));
  auto again = f.openAnother();
  QCOMPARE(Snapshot(*again), state);
  QCOMPARE(f.dialogs.count(Kind::Error), 0);
}

void SettingsWindowTest::everyValueSurvivesCloseAndStart() {
  FormFixture f;
  TFormMain& form = *f.form;
  form.setFolderText("/srv/some folder");
  // "Files": Path, FileName, Size; "Files to delete": FileName, Path.
  Child<QTabWidget>(form, "PageControl1")->setCurrentWidget(f.child<QWidget>("TabSheet3"));
  auto* shown = f.child<QListWidget>("ListBox2");
  shown->setFocus();
  shown->setCurrentRow(2);
  f.click("SpeedButton13");
  f.click("SpeedButton13");
  f.click("SpeedButton21_");
  f.child<QListWidget>("ListBox4")->setCurrentRow(1);
  f.click("SpeedButton16");
  f.click("SpeedButton24");
  form.filesList().setColumnWidth(1, 77);  // as a drag of the header would
  form.files()->header()->resizeSection(2, 91);
  form.deleteList().setColumnWidth(0, 66);
  Pick(form, "ColorComboBox1", "Teal");
  Pick(form, "ColorComboBox2", "Maroon");
  Pick(form, "ColorComboBox3", "Navy");
  Pick(form, "ColorComboBox4", "Yellow");
  f.child<TRadioGroup>("RadioGroup2")->item(1)->setChecked(true);
  f.child<TRadioGroup>("RadioGroup1")->item(1)->setChecked(true);
  // The scan options and keep rules, set in their dialogs.
  f.child<QAction>("ScanOptions1")->trigger();
  f.child<QLineEdit>("ScanOptionsMinSize")->setText(QStringLiteral("4294967296"));
  f.child<QCheckBox>("ScanOptionsVcs")->setChecked(false);
  f.click("ScanOptionsOk");
  f.child<QAction>("KeepRules1")->trigger();
  auto* criteria = f.child<QListWidget>("KeepCriteriaList");
  criteria->setCurrentRow(6);
  f.click("KeepCriterionUp");
  criteria->item(5)->setCheckState(Qt::Checked);
  f.dialogs.answerFolder("/p\r\n%q");
  f.click("PreferredFolderAdd");
  f.dialogs.answerFolder("/srv/keep");
  f.click("ProtectedFolderAdd");
  f.click("KeepRulesOk");
  const QStringList state = Snapshot(form) + Choices(form);
  const ResultList& files = form.filesList();
  const ResultList& del = form.deleteList();
  QCOMPARE(Columns(files),
           QStringLiteral("Path:%1,FileName:77,Size:91").arg(files.column(0).Width));
  QCOMPARE(Columns(del), QStringLiteral("FileName:66,Path:%1").arg(del.column(1).Width));

  form.close();
  QVERIFY(!form.isVisible());
  const std::string expected =
      "/srv/some folder\r\n3\r\nPath\r\n" + std::to_string(files.column(0).Width) +
      "\r\nFileName\r\n77\r\nSize\r\n91\r\n2\r\nFileName\r\n66\r\nPath\r\n" +
      std::to_string(del.column(1).Width) +
      "\r\n8421376\r\n128\r\n8388608\r\n65535\r\n1\r\n1\r\n0\r\n4294967296\r\n1\r\n1\r\n0\r\n"
      "7\r\n-oldest\r\n-newest\r\n-shortest-path\r\n-longest-path\r\n-shallowest\r\n+name\r\n"
      "-deepest\r\n1\r\n/p%0D%0A%25q\r\n1\r\n/srv/keep\r\n";
  QCOMPARE(ReadFileBytes(f.start.path("perferences.set")), expected);

  auto again = f.openAnother();
  QCOMPARE(Snapshot(*again) + Choices(*again), state);
  QCOMPARE(again->files()->header()->sectionSize(1), 77);
  QCOMPARE(again->filesToDelete()->header()->sectionSize(0), 66);
  // The colours reached "Files" through the pickers.
  QCOMPARE(again->files()->palette().color(QPalette::Base), QColor(0, 0, 128));
  QCOMPARE(again->files()->palette().color(QPalette::Text), QColor(255, 255, 0));
  QCOMPARE(f.dialogs.count(Kind::Error), 0);
}

void SettingsWindowTest::storedColumnsFillTheBoxes_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<QStringList>("expected");
  QTest::addColumn<QString>("error");
  const QByteArray tail = "12632256\r\n8421504\r\n16777215\r\n0\r\n0\r\n0\r\n";
  QTest::newRow("no columns") << QByteArray("\r\n0\r\n0\r\n") + tail
                              << L("folder=", "files=", "delete=", "ListBox1=FileName,Size,Path",
                                   "ListBox2=", "ListBox3=FileName,Size,Path",
                                   "ListBox4=", kDefaultColors, "choices=0,0", "images=0,0")
                              << QString();
  QTest::newRow("Path and FileName")
      << QByteArray("/data\r\n2\r\nPath\r\n100\r\nFileName\r\n200\r\n1\r\nSize\r\n40\r\n") + tail
      << L("folder=/data", "files=Path:100,FileName:200", "delete=Size:40", "ListBox1=Size",
           "ListBox2=Path,FileName", "ListBox3=FileName,Path", "ListBox4=Size", kDefaultColors,
           "choices=0,0", "images=0,0")
      << QString();
  // The width line is missing: the folder and the column stay, nothing later is read.
  QTest::newRow("ends after the first caption")
      << QByteArray("/data\r\n1\r\nPath\r\n")
      << L("folder=/data", "files=Path:50", "delete=", "ListBox1=", "ListBox2=Path",
           "ListBox3=", "ListBox4=", kDefaultColors, "choices=0,0", "images=-1,-1")
      << QStringLiteral("'' is not a valid integer value");
  QTest::newRow("bad colour") << QByteArray("\r\n0\r\n0\r\n255\r\nred\r\n0\r\n0\r\n1\r\n1\r\n")
                              << L("folder=", "files=", "delete=", "ListBox1=FileName,Size,Path",
                                   "ListBox2=", "ListBox3=FileName,Size,Path",
                                   "ListBox4=", "colors=255,8421504,16777215,0", "choices=0,0",
                                   "images=-1,-1")
                              << QStringLiteral("'red' is not a valid integer value");
  // Each column takes its two lines, so a huge count ends at the file's end.
  QTest::newRow("column count far beyond the file")
      << QByteArray("/data\r\n2000000000\r\nPath\r\n10\r\n")
      << L("folder=/data", "files=Path:10,:50", "delete=", "ListBox1=", "ListBox2=Path,",
           "ListBox3=", "ListBox4=", kDefaultColors, "choices=0,0", "images=-1,-1")
      << QStringLiteral("'' is not a valid integer value");
  // A choice the group does not have selects its first item, the default.
  QTest::newRow("choices out of range")
      << QByteArray("\r\n0\r\n0\r\n") + tail.left(tail.size() - 6) + "7\r\n-3\r\n"
      << L("folder=", "files=", "delete=", "ListBox1=FileName,Size,Path",
           "ListBox2=", "ListBox3=FileName,Size,Path", "ListBox4=", kDefaultColors, "choices=0,0",
           "images=0,0")
      << QString();
}

void SettingsWindowTest::storedColumnsFillTheBoxes() {
  QFETCH(QByteArray, content);
  QFETCH(QStringList, expected);
  QFETCH(QString, error);
  FormFixture f(
      [&](const TempTree& start) { start.write("perferences.set", content.toStdString()); });
  QCOMPARE(Snapshot(*f.form), expected);
  if (error.isEmpty()) {
    QCOMPARE(f.dialogs.count(Kind::Error), 0);
  } else {
    QCOMPARE(f.dialogs.count(Kind::Error, error.toStdString()), 1);
    // No picture until the first use.
    QVERIFY(f.button("SpeedButton21_")->icon().isNull());
    QVERIFY(f.button("SpeedButton24")->icon().isNull());
  }
}

void SettingsWindowTest::theBuildCounterNeedsItsMarker() {
  const struct {
    bool marker;
    const char* counter;  // nullptr: no "Build.txt"
    const char* after;    // nullptr: still none
    const char* error;    // nullptr: no error box
  } cases[] = {
      {true, "41", "42\r\n", nullptr},
      {false, "41", "41", nullptr},
      {true, nullptr, nullptr, nullptr},
      {true, "abc", "abc", "'abc' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    FormFixture f([&](const TempTree& start) {
      if (c.marker) start.write("TSDevelomModeOn.txt", "");
      if (c.counter) start.write("Build.txt", c.counter);
      start.write("perferences.set", "/kept\r\n0\r\n0\r\n");
    });
    const std::string counter = f.start.path("Build.txt");
    if (c.after) {
      QCOMPARE(ReadFileBytes(counter), std::string(c.after));
    } else {
      QVERIFY(!PathExists(counter));
    }
    if (c.error) {
      // A counter that cannot be read skips the settings file.
      QCOMPARE(f.dialogs.count(Kind::Error, c.error), 1);
      QCOMPARE(f.form->folderText(), std::string());
      QCOMPARE(f.form->applyImage(ListId::Files), -1);
    } else {
      QCOMPARE(f.form->folderText(), std::string("/kept"));
    }
  }
}

void SettingsWindowTest::exitLeavesTheSettingsFileAsItWas() {
  const std::string stored =
      "/data\r\n1\r\nSize\r\n80\r\n0\r\n12632256\r\n8421504\r\n16777215\r\n0\r\n0\r\n0\r\n";
  FormFixture f([&](const TempTree& start) { start.write("perferences.set", stored); });
  Pick(*f.form, "ColorComboBox3", "Red");
  f.form->setFolderText("/elsewhere");
  f.child<QAction>("Exit1")->trigger();
  QCOMPARE(f.exits, 1);
  QCOMPARE(ReadFileBytes(f.start.path("perferences.set")), stored);
  // What is left of the window after "Exit" writes nothing either.
  f.form->close();
  QCOMPARE(ReadFileBytes(f.start.path("perferences.set")), stored);
  auto again = f.openAnother();
  QCOMPARE(Child<TColorComboBox>(*again, "ColorComboBox3")->value(), 16777215u);
  QCOMPARE(again->folderText(), std::string("/data"));
}

void SettingsWindowTest::aCloseThatCannotWriteKeepsTheWindowOpen() {
  FormFixture f;
  f.start.mkdir("perferences.set");  // cannot be opened for writing, not even by root
  QVERIFY(!f.form->close());
  QCOMPARE(f.dialogs.count(Kind::Error), 1);
  QVERIFY(f.form->isVisible());
  // Once the way is clear, the next close writes and ends.
  std::filesystem::remove(f.start.path("perferences.set"));
  QVERIFY(f.form->close());
  QVERIFY(!f.form->isVisible());
  QVERIFY(ReadFileBytes(f.start.path("perferences.set")).starts_with("\r\n3\r\n"));
}

void SettingsWindowTest::aStartDirectoryThatCannotBeWrittenLosesNothing() {
  const std::string stored =
      "/data\r\n1\r\nSize\r\n80\r\n0\r\n12632256\r\n8421504\r\n16777215\r\n0\r\n0\r\n0\r\n";
  FormFixture f([&](const TempTree& start) { start.write("perferences.set", stored); });
  const std::string settings = f.start.path("perferences.set");
  f.form->setFolderText("/elsewhere");
  Pick(*f.form, "ColorComboBox3", "Red");
  QCOMPARE(::chmod(settings.c_str(), 0444), 0);
  QCOMPARE(::chmod(f.start.root().c_str(), 0555), 0);
  {
    ScopedUnprivileged nobody;
    if (!nobody.active()) QSKIP("cannot drop root's rights");
    QVERIFY(!f.form->close());
  }
  QCOMPARE(
      f.dialogs.count(Kind::Error, "Cannot create file \"" + settings + "\": Permission denied"),
      1);
  QVERIFY(f.form->isVisible());
  QCOMPARE(ReadFileBytes(settings), stored);
  QCOMPARE(f.form->folderText(), std::string("/elsewhere"));
  QCOMPARE(f.child<TColorComboBox>("ColorComboBox3")->value(), 0x0000FFu);

  // A settings file open to all is never rewritten in place (a full disk
  // would leave a fragment): while the folder takes no new file, the close
  // fails the same way; once it does, the close writes.
  QCOMPARE(::chmod(settings.c_str(), 0666), 0);
  {
    ScopedUnprivileged nobody;
    QVERIFY(!f.form->close());
  }
  QCOMPARE(
      f.dialogs.count(Kind::Error, "Cannot write file \"" + settings + "\": Permission denied"), 1);
  QCOMPARE(ReadFileBytes(settings), stored);
  QCOMPARE(::chmod(f.start.root().c_str(), 0777), 0);
  {
    ScopedUnprivileged nobody;
    QVERIFY(f.form->close());
  }
  QVERIFY(ReadFileBytes(settings).starts_with(
      "/elsewhere\r\n1\r\nSize\r\n80\r\n0\r\n12632256\r\n8421504\r\n255\r\n"));
  QCOMPARE(f.dialogs.count(Kind::Error), 2);
}

void SettingsWindowTest::aSettingsFileNotReadToItsEndIsKeptAsBak() {
  // LF line ends, as Linux editors write them: a lone LF is text, so the
  // whole file is the folder line and the reading stops at the column count.
  const std::string stored = "/data\n1\nSize\n80\n0\n12632256\n8421504\n16777215\n0\n0\n1\n";
  FormFixture f([&](const TempTree& start) { start.write("perferences.set", stored); });
  QCOMPARE(f.dialogs.count(Kind::Error, "'' is not a valid integer value"), 1);
  QVERIFY(f.form->close());
  QCOMPARE(ReadFileBytes(f.start.path("perferences.set.bak")), stored);
  QVERIFY(ReadFileBytes(f.start.path("perferences.set")).starts_with(stored + "\r\n"));
  // The file written reads without an error; its close keeps no copy.
  std::filesystem::remove(f.start.path("perferences.set.bak"));
  auto again = f.openAnother();
  QCOMPARE(f.dialogs.count(Kind::Error), 1);
  QVERIFY(again->close());
  QVERIFY(!PathExists(f.start.path("perferences.set.bak")));

  // A "Build.txt" that stops start-up before the settings are read: the
  // stored settings are kept beside as well.
  const std::string good = ReadFileBytes(f.start.path("perferences.set"));
  FormFixture g([&](const TempTree& start) {
    start.write("perferences.set", good);
    start.write("TSDevelomModeOn.txt", "");
    start.write("Build.txt", "x");
  });
  QCOMPARE(g.dialogs.count(Kind::Error, "'x' is not a valid integer value"), 1);
  QVERIFY(g.form->close());
  QCOMPARE(ReadFileBytes(g.start.path("perferences.set.bak")), good);
}

void SettingsWindowTest::manyColumnsAndExtremeValuesStartAndCloseUnchanged() {
  // 100,000 columns: a start-up that lays out all columns per column added
  // takes many minutes here and fails by the test's time limit.
  constexpr int kColumns = 100000;
  std::string content = "/data\r\n" + std::to_string(kColumns) + "\r\n";
  for (int c = 0; c < kColumns; ++c) {
    content += "C" + std::to_string(c) + "\r\n" + std::to_string(c == 0 ? INT_MIN : c) + "\r\n";
  }
  const std::string caption(1 << 20, 'c');
  content += "1\r\n" + caption + "\r\n2147483647\r\n";
  // Colours outside 0..0xFFFFFF: -1, 0x7FFFFFFF, 0xFF000005, 0x80000000.
  content += "-1\r\n2147483647\r\n-16777211\r\n-2147483648\r\n1\r\n1\r\n";
  FormFixture f([&](const TempTree& start) { start.write("perferences.set", content); });
  QCOMPARE(f.dialogs.count(Kind::Error), 0);

  const ResultList& files = f.form->filesList();
  QCOMPARE(files.columnCount(), kColumns);
  QCOMPARE(files.column(0).Width, INT_MIN);
  QCOMPARE(files.column(kColumns - 1).Caption, std::string("C99999"));
  QCOMPARE(files.column(kColumns - 1).Width, kColumns - 1);
  QCOMPARE(f.form->files()->header()->sectionSize(100), 100);
  QCOMPARE(f.child<QListWidget>("ListBox2")->count(), kColumns);
  QCOMPARE(f.child<QListWidget>("ListBox1")->count(), 3);
  QCOMPARE(f.form->deleteList().column(0).Caption, caption);
  QCOMPARE(f.form->deleteList().column(0).Width, INT_MAX);

  // A colour no picker entry has is kept; the lists use its low 24 bits.
  const std::uint32_t colors[] = {0xFFFFFFFF, 0x7FFFFFFF, 0xFF000005, 0x80000000};
  const char* pickers[] = {"ColorComboBox1", "ColorComboBox2", "ColorComboBox3", "ColorComboBox4"};
  for (int i = 0; i < 4; ++i) {
    auto* picker = f.child<TColorComboBox>(pickers[i]);
    QCOMPARE(picker->value(), colors[i]);
    QCOMPARE(picker->currentIndex(), -1);
  }
  QCOMPARE(f.form->files()->palette().color(QPalette::Base), QColor(5, 0, 0));
  QCOMPARE(f.form->files()->palette().color(QPalette::Text), QColor(0, 0, 0));

  QVERIFY(f.form->close());
  QCOMPARE(ReadFileBytes(f.start.path("perferences.set")), content);
}

void SettingsWindowTest::savingWritesEveryCandidateInFilesOrder() {
  FormFixture f;
  TempTree out;
  auto* paths = f.child<QAction>("Savepathesoffilestofile1");
  auto* names = f.child<QAction>("Savenamestofile1");

  // Cancel writes nothing; an empty list gives an empty file.
  paths->trigger();
  QCOMPARE(f.dialogs.count(Kind::SaveFile, kSaveListFilter), 1);
  QVERIFY(std::filesystem::is_empty(out.root()));
  f.dialogs.answerSaveName(out.path("empty"));
  names->trigger();
  QVERIFY(PathExists(out.path("empty.txt")));
  QCOMPARE(ReadFileBytes(out.path("empty.txt")), std::string());

  TempTree tree;
  tree.write("one.bin", "same");
  tree.write("sub/two.bin", "same");
  tree.write("sub/deep/three", "same");
  tree.write("alone", "x");
  QVERIFY(f.scan(tree.root()));
  const CandidateTable& c = f.form->candidates();
  QCOMPARE(c.count(), 3);
  f.setFilesTick(1, true);  // ticks do not matter
  f.settle();
  std::string pathLines, nameLines;
  for (int k = 1; k <= 3; ++k) {
    pathLines += c.row(k).FullPath + "\r\n";
    nameLines += std::string(c.row(k).FileName()) + "\r\n";
  }

  out.mkdir("a.b");
  const struct {
    const char* chosen;
    const char* written;
  } cases[] = {
      {"report", "report.txt"},
      {"report.TxT", "report.TxT"},
      {"report.csv", "report.csv.txt"},
      {"a.b/list", "a.b/list.txt"},
  };
  std::string offered = out.path("empty");
  for (const auto& n : cases) {
    f.dialogs.answerSaveName(out.path(n.chosen));
    paths->trigger();
    QCOMPARE(f.dialogs.lastSaveName, offered);  // the name chosen last time
    QCOMPARE(ReadFileBytes(out.path(n.written)), pathLines);
    offered = out.path(n.chosen);
  }
  QVERIFY(!PathExists(out.path("report.csv")));
  // The same name again replaces the contents.
  f.dialogs.answerSaveName(out.path("report"));
  names->trigger();
  QCOMPARE(ReadFileBytes(out.path("report.txt")), nameLines);
  QCOMPARE(f.dialogs.count(Kind::SaveFile, kSaveListFilter), f.dialogs.count(Kind::SaveFile));
  QCOMPARE(f.dialogs.count(Kind::Error), 0);
}

void SettingsWindowTest::aFailedSaveShowsOnlyTheErrorBox() {
  FormFixture f;
  QVERIFY(f.scanTwins());
  TempTree out;
  const std::string full = out.symlink("/dev/full", "full.txt");
  const QString status = f.form->statusText();
  const auto rowsBefore = f.form->filesList().rowCount();
  const std::string firstPath = f.form->candidates().row(1).FullPath;
  f.dialogs.clearShown();
  for (const std::string& chosen : {full, out.path("missing/report")}) {
    f.dialogs.answerSaveName(chosen);
    f.child<QAction>("Savepathesoffilestofile1")->trigger();
  }
  QCOMPARE(
      f.dialogs.count(Kind::Error, "Cannot write file \"" + full + "\": No space left on device"),
      1);
  QCOMPARE(f.dialogs.count(Kind::Error, "Cannot create file \"" + out.path("missing/report.txt") +
                                            "\": No such file or directory"),
           1);
  QCOMPARE(int(f.dialogs.shown().size()), 4);  // two save dialogs, two error boxes
  QVERIFY(!PathExists(out.path("missing")));
  QCOMPARE(f.form->statusText(), status);
  QCOMPARE(f.form->candidates().count(), 2);
  QCOMPARE(f.form->candidates().row(1).FullPath, firstPath);
  QCOMPARE(f.form->filesList().rowCount(), rowsBefore);
}

void SettingsWindowTest::helpOpensThePageOfTheStartDirectory() {
  FormFixture f;
  f.click("SpeedButton9");
  f.child<QAction>("Contents1")->trigger();
  QCOMPARE(f.dialogs.count(Kind::Warning, texts::kHelpNotFound), 2);
  QVERIFY(f.opened.empty());
  const std::string page = f.start.write("DATA/HELP/indexr.html", "<html></html>");
  f.click("SpeedButton9");
  QCOMPARE(f.opened.size(), std::size_t{1});
  QCOMPARE(f.opened.back().toLocalFile(), QString::fromStdString(page));

  // Without a start directory of its own the window takes the current one,
  // once: a later change of the current directory does not move the lookup.
  TempTree other;
  const std::string otherPage = other.write("DATA/HELP/indexr.html", "<html></html>");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(other.root());
  FormEnvironment env = f.environment();
  env.startDirectory.clear();
  TFormMain second(env);
  std::filesystem::current_path(previous);
  QCOMPARE(std::filesystem::path(second.startDirectory()),
           std::filesystem::canonical(other.root()));
  second.SpeedButton9Click();
  QCOMPARE(f.opened.size(), std::size_t{2});
  QCOMPARE(std::filesystem::canonical(f.opened.back().toLocalFile().toStdString()),
           std::filesystem::canonical(otherPage));
}

void SettingsWindowTest::aboutShowsOneWindowWithItsLinks() {
  FormFixture f;
  f.click("SpeedButton8");
  f.click("SpeedButton8");
  f.child<QAction>("AboutTwinscan1")->trigger();
  const auto abouts = f.form->findChildren<TFormAbout*>();
  QCOMPARE(abouts.size(), 1);
  TFormAbout* about = abouts.front();
  QVERIFY(about->isVisible());
  QVERIFY(QTest::qWaitForWindowExposed(about));
  QCOMPARE(about->windowTitle(), QStringLiteral("About Twinscan"));
  QCOMPARE(about->findChild<QLabel*>(QStringLiteral("Label3"))->text(),
           QStringLiteral("Version: 2.2 (Build 438)"));
  const char* addresses[] = {links::kWebSite, links::kAuthorPage, links::kSupportMail};
  for (int i = 0; i < 3; ++i) {
    QCOMPARE(about->link(i)->text(), QString::fromLatin1(addresses[i]));
    QVERIFY(about->link(i)->text().contains(QStringLiteral("example.org")));
    QCOMPARE(about->link(i)->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(!about->highlighted(i));
  }

  // Over a link: highlighted; over the background: every link plain again.
  const QColor plain = about->palette().color(QPalette::WindowText);
  for (int i : {0, 2}) {
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(about->link(i), &enter);
    QVERIFY(about->highlighted(i));
    QVERIFY(about->link(i)->font().underline());
    QCOMPARE(about->link(i)->palette().color(QPalette::WindowText), QColor(Qt::blue));
  }
  QVERIFY(!about->highlighted(1));
  const QPoint background(3, 3);
  QVERIFY(about->childAt(background) == nullptr);
  // Straight to the dialog's window: a cursor move would go to whichever
  // window the offscreen platform finds first at that place.
  QTest::mouseMove(about->windowHandle(), background);
  for (int i = 0; i < 3; ++i) {
    QVERIFY(!about->highlighted(i));
    QVERIFY(!about->link(i)->font().underline());
    QCOMPARE(about->link(i)->palette().color(QPalette::WindowText), plain);
  }

  // A real pointer over a link: the move reaches the window too, and the
  // link keeps its highlight until the pointer is over the background.
  QTest::mouseMove(about->windowHandle(), about->link(1)->geometry().center());
  QVERIFY(about->highlighted(1));
  QTest::mouseMove(about->windowHandle(), background);
  QVERIFY(!about->highlighted(1));
  // A dialog border with a close box only, at a fixed size.
  QVERIFY(about->windowFlags() & Qt::WindowCloseButtonHint);
  QVERIFY(!(about->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
  QCOMPARE(about->minimumSize(), about->maximumSize());

  // A left click opens the address; the support link a new mail.
  for (int i = 0; i < 3; ++i) QTest::mouseClick(about->link(i), Qt::LeftButton);
  QTest::mouseClick(about->link(0), Qt::RightButton);
  f.child<QAction>("OfficialWebSite1")->trigger();
  const std::vector<QUrl> expected{
      QUrl(QString::fromLatin1(links::kWebSite)), QUrl(QString::fromLatin1(links::kAuthorPage)),
      QUrl(QStringLiteral("mailto:") + QString::fromLatin1(links::kSupportMail)),
      QUrl(QString::fromLatin1(links::kWebSite))};
  QCOMPARE(f.opened, expected);

  about->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
  QVERIFY(!about->isVisible());
  f.click("SpeedButton8");
  QVERIFY(about->isVisible());
  QCOMPARE(f.form->findChildren<TFormAbout*>().size(), 1);
}

void SettingsWindowTest::everyShownTextCanBeRead() {
  FormFixture f;
  QVERIFY(f.scanTwins());
  f.click("SpeedButton10");
  f.click("SpeedButton17");  // the caption now reads "Resume"; the status panel has a text
  f.form->SpeedButton8Click();
  // What a screen reader gets of a control: its name and its value.
  const auto read = [](QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) + QLatin1Char('\n') + a->text(QAccessible::Value)
             : QString();
  };
  int texts = 0;
  for (QWidget* w : f.form->findChildren<QWidget*>()) {
    QString shown;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) shown = b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) shown = l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) shown = g->title();
    if (auto* c = qobject_cast<QComboBox*>(w)) shown = c->currentText();
    if (auto* e = qobject_cast<QLineEdit*>(w)) shown = e->text();
    texts += shown.isEmpty() ? 0 : 1;
    QVERIFY2(read(w).contains(shown), qPrintable(w->objectName() + QStringLiteral(": ") + shown));
  }
  QVERIFY(texts > 40);
  // The colour pickers are read by their own labels (their group's title follows).
  for (const char* picker : {"ColorComboBox1", "ColorComboBox3"}) {
    const auto labels = QAccessible::queryAccessibleInterface(f.child<QWidget>(picker))
                            ->relations(QAccessible::Label);
    QVERIFY(!labels.isEmpty());
    QVERIFY(
        labels.front().first->text(QAccessible::Name).endsWith(QStringLiteral(" in \"Files\":")));
  }
  f.click("SpeedButton18");
}

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
