// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/icon_registry.h"
#include "app/keep_rules_dialog.h"
#include "app/qt_window_queue.h"
#include "app/result_list_view.h"
#include "app/scan_options_dialog.h"
#include "app/widgets.h"
#include "core/capacity.h"
#include "core/dialogs.h"
#include "session/session.h"

class TFormProgressScanning;
class QtDialogs;
struct ExtraPreferences;

// What the main window takes from its surroundings; tests replace each.
struct FormEnvironment {
  Dialogs* dialogs = nullptr;  // nullptr: Qt's message boxes and file dialogs
  std::string startDirectory;  // empty: the current directory at creation
  // Opens a file or address with its associated program; nullptr: the desktop's.
  std::function<void(const QUrl&)> openUrl;
  int tableCapacity = kTableSlots;  // tests use small tables
  // Ends the program at once (menu "Exit"); nullptr: leave the event loop.
  std::function<void()> exitNow;
  // Where the window placement is kept; empty: the per-user settings of "twinscan".
  QString placementFile;
};

// The main window. It owns the widgets and the timers and shows what its
// session (the run's state and workers) tells it; every member runs on the
// window thread. Handlers keep the names of the controls they belong to and
// forward to the session.
class TFormMain final : public QMainWindow, private SessionEvents {
 public:
  explicit TFormMain(FormEnvironment environment = {});
  ~TFormMain() override;

  // Scan run.
  void SpeedButton4Click();          // "Rescan"
  void DirectoryEdit1ButtonClick();  // the picker button: walk up, check, pick, request
  void TimerScan1Timer();
  void SpeedButton1Click();  // "cancel"
  void LockRunControls();
  void UnlockRunControls();

  // "Files to delete".
  void vgListView1Change(int row, bool tickFlipped);
  void vgListView2Change(int row);
  void Timer2Timer();
  void TabSheetResultsShow();
  void TabSheetFilesShow();
  void Timer1Timer();

  // Check run.
  void SpeedButton10Click();  // "Twin Scan"
  void SpeedButton17Click();  // "Pause" / "Resume"
  void SpeedButton18Click();  // "Cancel"

  // File actions.
  void SpeedButton26Click();  // "Delete Checked"
  void SpeedButton2Click();   // tick all of "Files"
  void SpeedButton3Click();   // untick all of "Files"
  void SpeedButton25Click();  // tick all of "Files to delete"
  void SpeedButton21Click();  // untick all of "Files to delete"
  void vgListView1DblClick();
  void LaunchFile1Click();  // "Run File"
  void RxPopupMenu1Popup();
  void RunFile(const std::string& fullPath);

  // Menus, help and about.
  void Savepathesoffilestofile1Click();
  void Savenamestofile1Click();
  void SpeedButton9Click();  // "Help" and "Contents"
  void SpeedButton8Click();  // "About" and "About Twinscan"
  void OfficialWebSite1Click();
  void Exit1Click();
  void FormActivate();
  // Writes the settings file; false (after the error box) when it cannot.
  bool FormClose();
  class TFormAbout* aboutWindow() const {
    return FormAbout_;
  }

  // "Copies" menu: the sets window (whole, or at the selected row's set), the
  // keep rules, the scan options, and the ticked files of "Files to delete"
  // replaced by hard links to, or blocks shared with, their staying copies.
  void SetsOfIdenticalFiles1Click();
  void ShowCopies1Click();
  void KeepRules1Click();
  void ScanOptions1Click();
  void ReplaceByHardLinks1Click();
  void ShareBlocks1Click();
  const KeepRulesChoice& keepRules() const { return keepRules_; }
  const ScanOptions& scanOptions() const { return scanOptions_; }
  // The stored choices beyond the described settings, applied at start-up.
  void setStoredChoices(const ExtraPreferences& extras);

  // Column pages, one per list.
  void MoveToShown(ListId list);      // SpeedButton11 / SpeedButton19
  void MoveToAvailable(ListId list);  // SpeedButton12 / SpeedButton16
  void MoveUp(ListId list);           // SpeedButton13 / SpeedButton22
  void MoveDown(ListId list);         // SpeedButton15 / SpeedButton23
  void ShowApplyState(ListId list, bool pending);
  void ApplyFilesColumns();   // SpeedButton21_
  void ApplyDeleteColumns();  // SpeedButton24
  bool columnsPending(ListId list) const {
    return list == ListId::Files ? FilesColumnsPending : DeleteColumnsPending;
  }
  // The picture the OK button of `list`'s page shows: 0 idle, 1 edits waiting, -1 none yet.
  int applyImage(ListId list) const { return applyImage_[static_cast<int>(list)]; }

  // For tests and the shell: the state behind the window.
  Session& session() { return *session_; }
  const Session& session() const { return *session_; }
  ScanTable& scanTable() { return session_->scanTable(); }
  CandidateTable& candidates() { return session_->candidates(); }
  DeleteTable& deleteTable() { return session_->deleteTable(); }
  ResultList& filesList() { return session_->filesList(); }
  ResultList& deleteList() { return session_->deleteList(); }
  ResultListView* files() const { return vgListView1_; }
  ResultListView* filesToDelete() const { return vgListView2_; }
  QString statusText() const;
  bool filesListFilled() const { return session_->filesListFilled(); }
  bool deleteListStale() const { return session_->deleteListStale(); }
  int scanStep() const { return session_->scanStep(); }
  int runPhase() const { return session_->runPhase(); }
  bool walkDone() const { return session_->walkDone(); }
  const std::string& startDirectory() const { return startDirectory_; }
  // The folder field's text as path bytes.
  std::string folderText() const;
  void setFolderText(const std::string& path);
  // A scan run (walk or grouping) or a check run is active.
  bool scanRunActive() const { return session_->scanRunActive(); }
  bool checkRunActive() const { return session_->checkRunActive(); }
  bool deleteRunActive() const { return session_->deleteRunActive(); }
  // The check worker's thread has not yet ended.
  bool checkWorkerBusy() const { return session_->checkBusy(); }
  // Told every status text as it is shown (tests follow the sequence).
  std::function<void(const QString&)> onStatusText;
  // Waits (running events) until no worker is busy; for tests and shutdown.
  bool waitForWorkers(int timeoutMs);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildWindow();
  QWidget* buildFolderGroup();
  QWidget* buildListPages();
  QWidget* buildRightColumn();
  QWidget* buildTwinScanPage();
  QWidget* buildPreferencesPage();
  QWidget* buildColumnPage(ListId list);
  void buildMenus();
  void buildCopiesMenu();
  void showCopiesWindow(TableRow row);  // the sets window at the set of candidate `row`
  void showSetsWindow(std::optional<TableRow> at);
  void buildPopup();
  void connectHandlers();

  void setStatusText(const std::string& text);
  void setStatusText(const QString& text);
  void setProgress(int percent);
  void endCheckRunControls();
  void saveList(SavedField field);
  void FormCreate();
  void restorePlacement();
  void savePlacement();
  void ColorComboBox3Change();
  void ColorComboBox4Change();
  void CheckBoxTrashClick();  // Delete Checked unlinks or moves to the Trash

  // How the window shows what the session reports.
  void phaseChanged(const PhaseChange& change) override;
  void progress(const RunProgress& progress) override;
  void statusText(const std::string& text) override { setStatusText(text); }
  void filesFilling(bool on) override;
  void deleteListRebuilding(bool on) override;
  void deleteListRebuildDue() override;
  void columnsApplyDue() override { ApplyFilesColumns(); }
  // A scan request of `roots`: TimerScan1 runs its steps, or the refusal is told.
  void requestScanOf(std::vector<std::string> roots);
  void showScanRefusal(const ScanRefusal& refusal);
  void showCheckControls(bool running);
  void updateCopiesMenu();
  // Keeps `choice` and hands its protected folders and after-check rule to the session.
  void useKeepRules(const KeepRulesChoice& choice);

  // Environment.
  std::unique_ptr<QtDialogs> ownDialogs_;
  Dialogs* dialogs_;
  std::function<void(const QUrl&)> openUrl_;
  std::string startDirectory_;
  // False until start-up has read the settings file to its end (or found
  // none); the close then keeps the file as "perferences.set.bak" first.
  bool settingsReadWhole_ = false;
  // A first start: the columns get widths that fit "Files" once it is laid out.
  bool firstStartWidths_ = false;
  KeepRulesChoice keepRules_;
  ScanOptions scanOptions_;
  QPointer<KeepRulesDialog> keepRulesDialog_;  // while it shows

  IconRegistry icons_;
  std::string lastPickedFolder_;
  std::string folderBytes_;  // the field's path bytes, kept for non-UTF-8 names

  // Column pages.
  bool FilesColumnsPending = false;
  bool DeleteColumnsPending = false;
  int applyImage_[2] = {-1, -1};
  QPushButton* applyButton_[2] = {};

  // Widgets (owned by Qt's parent chain).
  QGroupBox* GroupBox2_ = nullptr;
  TDirectoryEdit* DirectoryEdit1_ = nullptr;
  QPushButton* SpeedButton4_ = nullptr;
  QTabWidget* PageControl2_ = nullptr;
  QWidget* TabSheetFiles_ = nullptr;
  QWidget* TabSheetResults_ = nullptr;
  ResultListView* vgListView1_ = nullptr;
  ResultListView* vgListView2_ = nullptr;
  QWidget* Panel2_ = nullptr;
  QTabWidget* PageControl1_ = nullptr;
  QWidget* TabSheetScan_ = nullptr;
  QWidget* TabSheet3_ = nullptr;
  QPushButton* SpeedButton10_ = nullptr;
  QPushButton* SpeedButton17_ = nullptr;
  QPushButton* SpeedButton18_ = nullptr;
  QGroupBox* GroupBox1_ = nullptr;
  QGroupBox* GroupBox7_ = nullptr;
  QPushButton* SpeedButton2_ = nullptr;
  QPushButton* SpeedButton3_ = nullptr;
  QPushButton* SpeedButton26_ = nullptr;
  QPushButton* SpeedButton25_ = nullptr;
  QPushButton* SpeedButton21_ = nullptr;
  TRadioGroup* RadioGroup1_ = nullptr;
  TRadioGroup* RadioGroup2_ = nullptr;
  TColorComboBox* ColorComboBox1_ = nullptr;
  TColorComboBox* ColorComboBox2_ = nullptr;
  TColorComboBox* ColorComboBox3_ = nullptr;
  TColorComboBox* ColorComboBox4_ = nullptr;
  QCheckBox* CheckBoxTrash_ = nullptr;  // "Move deleted files to the Trash"
  QTabWidget* PageControl3_ = nullptr;
  QWidget* TabSheetColumnsFiles_ = nullptr;
  QWidget* TabSheetColumnsDelete_ = nullptr;
  QListWidget* ListBox_[4] = {};
  QPushButton* SpeedButton9_ = nullptr;
  QPushButton* SpeedButton8_ = nullptr;
  TStatusBar* StatusBar_ = nullptr;
  QPushButton* SpeedButton1_ = nullptr;
  QProgressBar* ProgressBar_ = nullptr;
  QMenu* RxPopupMenu1_ = nullptr;
  QMenu* Copies1_ = nullptr;
  QAction* LaunchFile1_ = nullptr;
  QAction* DeleteFiles1_ = nullptr;
  QAction* PopupSeparator_ = nullptr;
  QAction* UncheckallItems1_ = nullptr;
  QAction* SelectallItems1_ = nullptr;
  TFormProgressScanning* FormProgressScanning_ = nullptr;
  class TFormAbout* FormAbout_ = nullptr;
  class SetsWindow* SetsWindow_ = nullptr;  // created when first opened
  std::function<void()> exitNow_;
  QString placementFile_;
  bool exiting_ = false;
  bool placementRestored_ = false;

  QTimer TimerScan1;
  QTimer Timer1;
  QTimer Timer2;

  // The session last: its workers are stopped and joined before anything
  // they use goes, and its posts go through the queue.
  QtWindowQueue queue_;
  std::unique_ptr<Session> session_;
};
