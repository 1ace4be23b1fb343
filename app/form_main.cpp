// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/form_main.h"

#include <unistd.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QThread>

#include "app/about_window.h"
#include "app/progress_window.h"
#include "app/qt_dialogs.h"
#include "app/sets_window.h"
#include "lists/row_texts.h"
#include "session/texts.h"

namespace {

std::string CurrentDirectory() {
  std::string buffer(4096, '\0');
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return ".";
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return buffer;
}

}  // namespace

TFormMain::TFormMain(FormEnvironment environment)
    : dialogs_(environment.dialogs), openUrl_(std::move(environment.openUrl)), queue_(this) {
  if (!dialogs_) {
    ownDialogs_ = std::make_unique<QtDialogs>(this);
    dialogs_ = ownDialogs_.get();
  }
  SessionConfig config;
  config.tableCapacity = environment.tableCapacity;
  session_ = std::make_unique<Session>(static_cast<SessionEvents&>(*this), *dialogs_, queue_,
                                       icons_, config);
  if (!openUrl_) openUrl_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };

  exitNow_ =
      environment.exitNow ? std::move(environment.exitNow) : [] { QCoreApplication::exit(0); };
  placementFile_ = environment.placementFile;
  buildWindow();
  FormAbout_ = new TFormAbout(openUrl_, this);
  FormAbout_->hide();
  startDirectory_ =
      environment.startDirectory.empty() ? CurrentDirectory() : environment.startDirectory;
  TimerScan1.setInterval(1);
  Timer1.setInterval(1);
  Timer1.setSingleShot(true);
  Timer2.setInterval(1);
  Timer2.setSingleShot(true);
  connectHandlers();
  FormCreate();
  Timer1.start();
}

TFormMain::~TFormMain() {
  // Workers first: nothing of theirs may run once the widgets start to go.
  session_->stopWorkers();
  // The sets window reads the session: it goes before it.
  delete SetsWindow_;
  SetsWindow_ = nullptr;
  filesList().setChangeHandler({});
  deleteList().setChangeHandler({});
  // The widgets go before the lists and tables they show (members outlive
  // nothing of QWidget's own teardown otherwise).
  delete takeCentralWidget();
}

void TFormMain::connectHandlers() {
  connect(&TimerScan1, &QTimer::timeout, this, [this] { TimerScan1Timer(); });
  connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(&Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
  connect(SpeedButton4_, &QPushButton::clicked, this, [this] { SpeedButton4Click(); });
  connect(DirectoryEdit1_, &TDirectoryEdit::buttonClicked, this,
          [this] { DirectoryEdit1ButtonClick(); });
  connect(DirectoryEdit1_, &QLineEdit::textEdited, this, [this] { folderBytes_.clear(); });
  connect(SpeedButton1_, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });

  filesList().setChangeHandler([this](int row, bool flipped) {
    vgListView1Change(row, flipped);
    // Every tick of "Files" passes here, whichever control made it.
    if (flipped && SetsWindow_ != nullptr) SetsWindow_->tickFlipped(ListIndex{row}.tableRow());
  });
  deleteList().setChangeHandler([this](int row, bool) { vgListView2Change(row); });
  // A new selection or focus row in "Files" counts as a change of that row.
  connect(vgListView1_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) filesList().notifyChange(current.row());
          });
  connect(vgListView2_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) deleteList().notifyChange(current.row());
          });
  connect(PageControl2_, &QTabWidget::currentChanged, this, [this](int) {
    if (PageControl2_->currentWidget() == TabSheetResults_) {
      TabSheetResultsShow();
    } else {
      TabSheetFilesShow();
    }
  });

  connect(SpeedButton10_, &QPushButton::clicked, this, [this] { SpeedButton10Click(); });
  connect(SpeedButton17_, &QPushButton::clicked, this, [this] { SpeedButton17Click(); });
  connect(SpeedButton18_, &QPushButton::clicked, this, [this] { SpeedButton18Click(); });
  connect(SpeedButton26_, &QPushButton::clicked, this, [this] { SpeedButton26Click(); });
  connect(SpeedButton2_, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
  connect(SpeedButton3_, &QPushButton::clicked, this, [this] { SpeedButton3Click(); });
  connect(SpeedButton25_, &QPushButton::clicked, this, [this] { SpeedButton25Click(); });
  connect(SpeedButton21_, &QPushButton::clicked, this, [this] { SpeedButton21Click(); });
  connect(vgListView1_, &QAbstractItemView::doubleClicked, this, [this] { vgListView1DblClick(); });
  connect(vgListView1_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    RxPopupMenu1Popup();
    const QPoint global = vgListView1_->viewport()->mapToGlobal(at);
    RxPopupMenu1_->popup(global - QPoint(RxPopupMenu1_->sizeHint().width() / 2, 0));
  });
  connect(LaunchFile1_, &QAction::triggered, this, [this] { LaunchFile1Click(); });
  connect(SelectallItems1_, &QAction::triggered, this, [this] { SpeedButton2Click(); });
  connect(UncheckallItems1_, &QAction::triggered, this, [this] { SpeedButton3Click(); });

  auto action = [this](const char* name) {
    auto* a = findChild<QAction*>(QString::fromLatin1(name));
    Q_ASSERT(a);
    return a;
  };
  connect(action("Savepathesoffilestofile1"), &QAction::triggered, this,
          [this] { Savepathesoffilestofile1Click(); });
  connect(action("Savenamestofile1"), &QAction::triggered, this,
          [this] { Savenamestofile1Click(); });
  connect(action("Exit1"), &QAction::triggered, this, [this] { Exit1Click(); });
  connect(action("Contents1"), &QAction::triggered, this, [this] { SpeedButton9Click(); });
  connect(action("OfficialWebSite1"), &QAction::triggered, this,
          [this] { OfficialWebSite1Click(); });
  connect(action("AboutTwinscan1"), &QAction::triggered, this, [this] { SpeedButton8Click(); });
  connect(SpeedButton9_, &QPushButton::clicked, this, [this] { SpeedButton9Click(); });
  connect(SpeedButton8_, &QPushButton::clicked, this, [this] { SpeedButton8Click(); });

  const char* const arrows[2][4] = {
      {"SpeedButton11", "SpeedButton12", "SpeedButton13", "SpeedButton15"},
      {"SpeedButton19", "SpeedButton16", "SpeedButton22", "SpeedButton23"}};
  for (const ListId list : {ListId::Files, ListId::Delete}) {
    const int which = static_cast<int>(list);
    auto button = [this](const char* name) {
      return findChild<QPushButton*>(QString::fromLatin1(name));
    };
    connect(button(arrows[which][0]), &QPushButton::clicked, this,
            [this, list] { MoveToShown(list); });
    connect(button(arrows[which][1]), &QPushButton::clicked, this,
            [this, list] { MoveToAvailable(list); });
    connect(button(arrows[which][2]), &QPushButton::clicked, this, [this, list] { MoveUp(list); });
    connect(button(arrows[which][3]), &QPushButton::clicked, this,
            [this, list] { MoveDown(list); });
  }
  applyButton_[0] = findChild<QPushButton*>(QStringLiteral("SpeedButton21_"));
  applyButton_[1] = findChild<QPushButton*>(QStringLiteral("SpeedButton24"));
  connect(applyButton_[0], &QPushButton::clicked, this, [this] { ApplyFilesColumns(); });
  connect(applyButton_[1], &QPushButton::clicked, this, [this] { ApplyDeleteColumns(); });

  connect(CheckBoxTrash_, &QCheckBox::toggled, this, [this] { CheckBoxTrashClick(); });
  connect(ColorComboBox3_, &TColorComboBox::valueChanged, this, [this] { ColorComboBox3Change(); });
  connect(ColorComboBox4_, &TColorComboBox::valueChanged, this, [this] { ColorComboBox4Change(); });
  for (auto* group : {ColorComboBox1_, ColorComboBox2_}) {
    connect(group, &TColorComboBox::valueChanged, this,
            [this] { vgListView1_->viewport()->update(); });
  }
}

QString TFormMain::statusText() const {
  return StatusBar_->panelText(1);
}

void TFormMain::setStatusText(const std::string& text) {
  setStatusText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void TFormMain::setStatusText(const QString& text) {
  StatusBar_->setPanelText(1, text);
  if (onStatusText) onStatusText(text);
}

void TFormMain::setProgress(int percent) {
  // setValue() repaints at once; with updates held the bar is painted with
  // the next ordinary paint, so a fill's progress steps do not stall it.
  ProgressBar_->setUpdatesEnabled(false);
  ProgressBar_->setValue(percent);
  ProgressBar_->setUpdatesEnabled(true);
}

std::string TFormMain::folderText() const {
  const QString text = DirectoryEdit1_->text();
  // Keep the bytes of a name that is not valid UTF-8 as long as the field shows it.
  if (!folderBytes_.empty() && QFile::decodeName(folderBytes_.c_str()) == text) return folderBytes_;
  return QFile::encodeName(text).toStdString();
}

void TFormMain::setFolderText(const std::string& path) {
  folderBytes_ = path;
  DirectoryEdit1_->setText(QFile::decodeName(path.c_str()));
}

bool TFormMain::waitForWorkers(int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (session_->workersBusy()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  QCoreApplication::processEvents();
  return true;
}

void TFormMain::closeEvent(QCloseEvent* event) {
  // "Exit" ends the program without writing the settings. Otherwise the
  // settings are written and a running, unpaused check is stopped; the other
  // workers end with the process (the destructor stops and joins them).
  if (exiting_ || FormClose()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TFormMain::showEvent(QShowEvent* event) {
  if (!placementRestored_) {
    placementRestored_ = true;
    restorePlacement();
  }
  if (firstStartWidths_) {
    // The first size shows every column of "Files": each takes an equal share of its width.
    firstStartWidths_ = false;
    const int width = EqualColumnWidth(vgListView1_->viewport()->width(), 3);
    for (ResultList* list : {&filesList(), &deleteList()}) {
      for (int c = 0; c < list->columnCount() && width > 0; ++c) list->setColumnWidth(c, width);
    }
  }
  QMainWindow::showEvent(event);
}

void TFormMain::ColorComboBox3Change() {
  vgListView1_->setListBackground(TColorComboBox::toQColor(ColorComboBox3_->value()));
}

void TFormMain::CheckBoxTrashClick() {
  session_->useTrash(CheckBoxTrash_->isChecked());
}

void TFormMain::ColorComboBox4Change() {
  vgListView1_->setListTextColor(TColorComboBox::toQColor(ColorComboBox4_->value()));
}
