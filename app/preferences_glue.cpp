// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Start-up and close: the build counter, the settings file and the window
// placement.
#include <QCloseEvent>
#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QStringList>

#include <exception>

#include "app/form_main.h"
#include "lists/row_texts.h"
#include "settings/build_counter.h"
#include "settings/preferences.h"
#include "settings/text_file.h"

namespace {

// The width a column gets when the settings name none: the list view's default.
constexpr int kDefaultColumnWidth = 50;

class FormPreferences final : public PreferencesTarget {
 public:
  FormPreferences(TFormMain& form, ResultList& files, ResultList& del, QListWidget* const* boxes,
                  TColorComboBox* const* colors, TRadioGroup* doubleClick, TRadioGroup* mode,
                  QCheckBox* trash)
      : form_(form),
        files_(files),
        del_(del),
        boxes_(boxes),
        colors_(colors),
        doubleClick_(doubleClick),
        mode_(mode),
        trash_(trash) {}

  void setFolder(const std::string& text) override { form_.setFolderText(text); }
  void addFilesColumn(const std::string& caption) override { add(0, caption); }
  void setFilesColumnWidth(int width) override { pending_[0].back().Width = width; }
  void fillFilesAvailable(const std::vector<std::string>& missing) override {
    showColumns(0);
    fill(boxes_[0], missing);
  }
  void addDeleteColumn(const std::string& caption) override { add(1, caption); }
  void setDeleteColumnWidth(int width) override { pending_[1].back().Width = width; }
  void fillDeleteAvailable(const std::vector<std::string>& missing) override {
    showColumns(1);
    fill(boxes_[2], missing);
  }
  void setColor(int which, std::uint32_t value) override {
    if (which >= 1 && which <= 4) colors_[which - 1]->setValue(value);
  }
  // A choice outside the group's items (a hand-edited file) selects the first
  // item, the default, rather than none.
  void setDoubleClickChoice(int choice) override { select(doubleClick_, choice); }
  void setCheckModeChoice(int choice) override { select(mode_, choice); }
  void setMoveToTrash(bool on) override { trash_->setChecked(on); }
  void setExtras(const ExtraPreferences& extras) override { form_.setStoredChoices(extras); }

  // Shows the columns read so far when reading stopped inside a list.
  void finish() {
    showColumns(0);
    showColumns(1);
  }

 private:
  // A list's columns are collected and shown in one step: added one by one,
  // each would make the view lay out all columns again, and a file with many
  // columns would take quadratic time to start.
  void add(int which, const std::string& caption) {
    pending_[which].push_back({caption, kDefaultColumnWidth});
  }
  void showColumns(int which) {
    std::vector<ListColumn>& pending = pending_[which];
    if (pending.empty()) return;
    ResultList& list = which == 0 ? files_ : del_;
    QStringList captions;
    for (const ListColumn& c : pending) captions << QFile::decodeName(c.Caption.c_str());
    boxes_[which * 2 + 1]->addItems(captions);
    std::vector<ListColumn> columns;
    columns.reserve(static_cast<std::size_t>(list.columnCount()) + pending.size());
    for (int c = 0; c < list.columnCount(); ++c) columns.push_back(list.column(c));
    for (ListColumn& c : pending) columns.push_back(std::move(c));
    pending.clear();
    list.setColumns(std::move(columns));
  }
  static void select(TRadioGroup* group, int choice) { group->setItemIndex(choice == 1 ? 1 : 0); }
  static void fill(QListWidget* available, const std::vector<std::string>& missing) {
    for (const auto& caption : missing) available->addItem(QFile::decodeName(caption.c_str()));
  }

  TFormMain& form_;
  ResultList& files_;
  ResultList& del_;
  QListWidget* const* boxes_;
  TColorComboBox* const* colors_;
  TRadioGroup* doubleClick_;
  TRadioGroup* mode_;
  QCheckBox* trash_;
  std::vector<ListColumn> pending_[2];  // "Files", "Files to delete"
};

std::vector<std::pair<std::string, int>> ColumnsOf(const ResultList& list) {
  std::vector<std::pair<std::string, int>> out;
  for (int c = 0; c < list.columnCount(); ++c)
    out.emplace_back(list.column(c).Caption, list.column(c).Width);
  return out;
}

}  // namespace

void TFormMain::FormCreate() {
  // No failure of start-up ends the program: it is shown in the error box and
  // the window starts with what was applied before it.
  try {
    if (auto error = RunBuildCounter(startDirectory_)) {
      dialogs_->errorBox(*error);
      return;
    }
    TColorComboBox* const colors[4] = {ColorComboBox1_, ColorComboBox2_, ColorComboBox3_,
                                       ColorComboBox4_};
    FormPreferences target(*this, filesList(), deleteList(), ListBox_, colors, RadioGroup2_,
                           RadioGroup1_, CheckBoxTrash_);
    const PreferencesReadResult read =
        ReadPreferences(PreferencesFilePath(startDirectory_), target);
    target.finish();
    if (!read.found) {
      // A first start: both lists show the three columns, so a scan can start
      // at once, with widths that fit "Files" once shown; the careful check,
      // which finds every copy, and deleted files go to the Trash.
      for (int which = 0; which < 2; ++which) {
        ResultList& list = which == 0 ? filesList() : deleteList();
        for (const char* caption : {kColumnFileName, kColumnSize, kColumnPath}) {
          list.addColumn(caption, EqualColumnWidth(380, 3));
          ListBox_[which * 2 + 1]->addItem(QString::fromLatin1(caption));
        }
      }
      firstStartWidths_ = true;
      RadioGroup1_->setItemIndex(1);
      CheckBoxTrash_->setChecked(true);
    }
    if (read.error) {
      dialogs_->errorBox(*read.error);
      return;
    }
    // Malformed lines after the described ones are no error, but the file is kept beside.
    settingsReadWhole_ = read.extrasWhole;
    ShowApplyState(ListId::Files, false);
    ShowApplyState(ListId::Delete, false);
  } catch (const std::exception& e) {
    dialogs_->errorBox(e.what());
  }
}

void TFormMain::setStoredChoices(const ExtraPreferences& extras) {
  scanOptions_ = {extras.minSize, {extras.hidden, extras.trashFolders, extras.vcsFolders}};
  KeepRulesChoice choice;
  choice.setCriteriaWords(extras.keepCriteria);
  choice.preferred = extras.preferredFolders;
  choice.protectedFolders = extras.protectedFolders;
  choice.afterEveryCheck = extras.keepAfterCheck;
  useKeepRules(choice);
}

bool TFormMain::FormClose() {
  PreferencesValues values;
  values.folder = folderText();
  values.filesColumns = ColumnsOf(filesList());
  values.deleteColumns = ColumnsOf(deleteList());
  values.colors[0] = ColorComboBox1_->value();
  values.colors[1] = ColorComboBox2_->value();
  values.colors[2] = ColorComboBox3_->value();
  values.colors[3] = ColorComboBox4_->value();
  values.doubleClick = RadioGroup2_->itemIndex();
  values.checkMode = RadioGroup1_->itemIndex();
  values.moveToTrash = CheckBoxTrash_->isChecked();
  ExtraPreferences& extras = values.extras;
  extras.minSize = scanOptions_.minSize;
  extras.hidden = scanOptions_.scope.hidden;
  extras.trashFolders = scanOptions_.scope.trashFolders;
  extras.vcsFolders = scanOptions_.scope.vcsFolders;
  extras.keepCriteria = keepRules_.criteriaWords();
  extras.preferredFolders = keepRules_.preferred;
  extras.protectedFolders = keepRules_.protectedFolders;
  extras.keepAfterCheck = keepRules_.afterEveryCheck;
  const std::string path = PreferencesFilePath(startDirectory_);
  // A settings file that start-up did not read to its end is kept beside,
  // so that the values it holds are not lost to the write below.
  if (!settingsReadWhole_ && IsRegularFile(path)) {
    if (auto error = KeepCopy(path, path + ".bak")) {
      dialogs_->errorBox(*error);
      return false;
    }
    settingsReadWhole_ = true;
  }
  if (auto error = WritePreferences(path, values)) {
    dialogs_->errorBox(*error);
    return false;  // the window stays open and a check goes on
  }
  session_->closeStopsCheck();
  savePlacement();
  return true;
}

namespace {
std::unique_ptr<QSettings> PlacementSettings(const QString& file) {
  if (!file.isEmpty()) return std::make_unique<QSettings>(file, QSettings::IniFormat);
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                     QStringLiteral("twinscan"), QStringLiteral("twinscan"));
}
}  // namespace

void TFormMain::restorePlacement() {
  auto settings = PlacementSettings(placementFile_);
  const QByteArray geometry =
      settings->value(QStringLiteral("FormPlacement1/Geometry")).toByteArray();
  if (geometry.isEmpty() || !restoreGeometry(geometry)) {
    // Nothing remembered: the window starts centred on the desktop.
    if (const QScreen* desktop = screen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(desktop->availableGeometry().center());
      move(frame.topLeft());
    }
    return;
  }
  const QString focused =
      settings->value(QStringLiteral("FormPlacement1/ActiveControl")).toString();
  if (auto* w = focused.isEmpty() ? nullptr : findChild<QWidget*>(focused)) w->setFocus();
}

void TFormMain::savePlacement() {
  auto settings = PlacementSettings(placementFile_);
  settings->setValue(QStringLiteral("FormPlacement1/Geometry"), saveGeometry());
  settings->setValue(QStringLiteral("FormPlacement1/State"), static_cast<int>(windowState()));
  QWidget* focused = focusWidget();
  settings->setValue(QStringLiteral("FormPlacement1/ActiveControl"),
                     focused ? focused->objectName() : QString());
}
