// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Builds the widgets of the main window at their places.
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/form_main.h"
#include "app/progress_window.h"
#include "session/texts.h"

namespace {

constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 24;

QString S(const char* text) {
  return QString::fromUtf8(text);
}

// `accessible` is a fixed accessible name, only for a control that shows no
// text of its own; every other control is read by the text it shows.
template <class W>
W* Named(W* widget, const char* name, const QString& accessible = {}) {
  widget->setObjectName(QString::fromLatin1(name));
  if (!accessible.isEmpty()) widget->setAccessibleName(accessible);
  return widget;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* b = Named(new QPushButton(S(caption), parent), name);
  b->setFixedSize(kButtonWidth, kButtonHeight);
  return b;
}

// A group of the right column: a left button at the top left, right buttons
// one above the other at the right.
QGroupBox* ButtonGroup(const char* name, const char* caption, QPushButton* left,
                       std::initializer_list<QPushButton*> right, QWidget* parent) {
  auto* g = Named(new QGroupBox(S(caption), parent), name);
  g->setFixedHeight(80);
  auto* grid = new QGridLayout(g);
  grid->setContentsMargins(8, 6, 8, 6);
  int row = 0;
  for (auto* b : right) {
    b->setParent(g);
    grid->addWidget(b, row++, 2, Qt::AlignRight);
  }
  if (left) {
    left->setParent(g);
    grid->addWidget(left, 0, 0, Qt::AlignLeft | Qt::AlignTop);
  }
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(row, 1);
  return g;
}

// An arrow picture of the column pages: right and left in green, up and down
// in blue. `turn` counts quarter turns clockwise from an arrow to the right.
QIcon ArrowIcon(int turn) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(8, 8);
  p.rotate(90.0 * turn);
  const QColor fill = turn % 2 == 0 ? QColor(0, 150, 0) : QColor(0, 70, 210);
  p.setPen(QPen(fill.darker(150), 1));
  p.setBrush(fill);
  const QPointF arrow[] = {{-6, -2.5}, {0, -2.5}, {0, -6.5}, {6.5, 0},
                           {0, 6.5},   {0, 2.5},  {-6, 2.5}};
  p.drawPolygon(arrow, 7);
  return QIcon(pixmap);
}

}  // namespace

void TFormMain::buildWindow() {
  setObjectName(QStringLiteral("TFormMain"));
  setWindowTitle(S(texts::kAppTitle));
  // Tahoma 8 where it is installed, the desktop's font otherwise.
  if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSize(8);
    setFont(tahoma);
  }
  resize(635, 483);
  setMinimumSize(600, 483);

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Panel1"));
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(2);
  outer->addWidget(buildFolderGroup());

  auto* middle = new QHBoxLayout;
  middle->setSpacing(4);
  middle->addWidget(buildListPages(), 1);
  middle->addWidget(buildRightColumn(), 0);
  outer->addLayout(middle, 1);

  StatusBar_ = Named(new TStatusBar(central), "StatusBar");
  StatusBar_->setFixedHeight(22);
  SpeedButton1_ = Named(new QPushButton(QStringLiteral("cancel"), StatusBar_), "SpeedButton1");
  SpeedButton1_->setGeometry(20 + 330 + 5, 4, 60, 16);
  SpeedButton1_->hide();
  outer->addWidget(StatusBar_);

  ProgressBar_ = Named(new QProgressBar(central), "ProgressBar", QStringLiteral("Progress"));
  ProgressBar_->setRange(0, 100);
  ProgressBar_->setValue(0);
  ProgressBar_->setTextVisible(false);
  ProgressBar_->setFixedHeight(12);
  outer->addWidget(ProgressBar_);
  setCentralWidget(central);

  buildMenus();
  buildPopup();

  FormProgressScanning_ = new TFormProgressScanning(this);
  FormProgressScanning_->hide();
}

QWidget* TFormMain::buildFolderGroup() {
  GroupBox2_ = Named(new QGroupBox(QStringLiteral("Folder to Scan")), "GroupBox2");
  GroupBox2_->setFixedHeight(48);
  auto* row = new QHBoxLayout(GroupBox2_);
  row->setContentsMargins(8, 2, 8, 4);
  DirectoryEdit1_ =
      Named(new TDirectoryEdit(GroupBox2_), "DirectoryEdit1", QStringLiteral("Folder to Scan"));
  SpeedButton4_ = Button("SpeedButton4", "Rescan", GroupBox2_);
  row->addWidget(DirectoryEdit1_, 1);
  row->addWidget(SpeedButton4_, 0, Qt::AlignRight);
  return GroupBox2_;
}

QWidget* TFormMain::buildListPages() {
  PageControl2_ = Named(new QTabWidget, "PageControl2");
  TabSheetFiles_ = Named(new QWidget, "TabSheetFiles", QStringLiteral("Files"));
  TabSheetResults_ = Named(new QWidget, "TabSheetResults", QStringLiteral("Files to delete"));
  vgListView1_ = Named(new ResultListView(filesList(), icons_, TabSheetFiles_), "vgListView1",
                       QStringLiteral("Files"));
  vgListView2_ = Named(new ResultListView(deleteList(), icons_, TabSheetResults_), "vgListView2",
                       QStringLiteral("Files to delete"));
  for (auto [page, view] : {std::pair<QWidget*, QWidget*>{TabSheetFiles_, vgListView1_},
                            {TabSheetResults_, vgListView2_}}) {
    auto* l = new QVBoxLayout(page);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(view);
  }
  vgListView1_->setContextMenuPolicy(Qt::CustomContextMenu);
  PageControl2_->addTab(TabSheetFiles_, QStringLiteral("Files"));
  PageControl2_->addTab(TabSheetResults_, QStringLiteral("Files to delete"));
  return PageControl2_;
}

QWidget* TFormMain::buildRightColumn() {
  Panel2_ = Named(new QWidget, "Panel2");
  Panel2_->setFixedWidth(366);
  auto* column = new QVBoxLayout(Panel2_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);

  PageControl1_ = Named(new QTabWidget(Panel2_), "PageControl1");
  PageControl1_->setFixedHeight(274);
  TabSheetScan_ = buildTwinScanPage();
  TabSheet3_ = buildPreferencesPage();
  PageControl1_->addTab(TabSheetScan_, QStringLiteral("Twin Scan"));
  PageControl1_->addTab(TabSheet3_, QStringLiteral("Preferences"));
  column->addWidget(PageControl1_);

  SpeedButton9_ = Button("SpeedButton9", "Help", nullptr);
  SpeedButton8_ = Button("SpeedButton8", "About", nullptr);
  auto* helpGroup = Named(new QGroupBox(Panel2_), "GroupBox8");
  auto* row = new QHBoxLayout(helpGroup);
  row->setContentsMargins(8, 6, 8, 6);
  SpeedButton9_->setParent(helpGroup);
  SpeedButton8_->setParent(helpGroup);
  row->addWidget(SpeedButton9_, 0, Qt::AlignLeft);
  row->addStretch(1);
  row->addWidget(SpeedButton8_, 0, Qt::AlignRight);
  column->addWidget(helpGroup);
  column->addStretch(1);
  return Panel2_;
}

QWidget* TFormMain::buildTwinScanPage() {
  auto* page = Named(new QWidget, "TabSheetScan", QStringLiteral("Twin Scan"));
  auto* l = new QVBoxLayout(page);
  // Three groups of 80 fill the page; any spacing would cut off the last one.
  l->setContentsMargins(4, 2, 4, 2);
  l->setSpacing(0);
  SpeedButton10_ = Button("SpeedButton10", "Twin Scan", nullptr);
  SpeedButton17_ = Button("SpeedButton17", "Pause", nullptr);
  SpeedButton18_ = Button("SpeedButton18", "Cancel", nullptr);
  SpeedButton17_->setEnabled(false);
  SpeedButton18_->setEnabled(false);
  l->addWidget(
      ButtonGroup("GroupBox5", "", SpeedButton10_, {SpeedButton17_, SpeedButton18_}, page));

  SpeedButton2_ = Button("SpeedButton2", "Select all Items", nullptr);
  SpeedButton3_ = Button("SpeedButton3", "Uncheck all Items", nullptr);
  GroupBox1_ =
      ButtonGroup("GroupBox1", "List of \"Files\":", nullptr, {SpeedButton2_, SpeedButton3_}, page);
  SpeedButton26_ = Button("SpeedButton26", "Delete Checked", nullptr);
  SpeedButton25_ = Button("SpeedButton25", "Select all Items", nullptr);
  SpeedButton21_ = Button("SpeedButton21", "Uncheck all Items", nullptr);
  GroupBox7_ = ButtonGroup("GroupBox7", "List of \"Files to delete\":", SpeedButton26_,
                           {SpeedButton25_, SpeedButton21_}, page);
  // The two groups share one place; the list page in front decides which shows.
  l->addWidget(GroupBox1_);
  l->addWidget(GroupBox7_);
  GroupBox7_->hide();

  RadioGroup1_ = Named(new TRadioGroup(QStringLiteral("DoubleFiles Check Mode"),
                                       {QStringLiteral("Useful check (fast)"),
                                        QStringLiteral("Careful check (very slowly)")},
                                       1, page),
                       "RadioGroup1");
  RadioGroup1_->setFixedHeight(80);
  l->addStretch(1);
  l->addWidget(RadioGroup1_);
  return page;
}

QWidget* TFormMain::buildPreferencesPage() {
  auto* page = Named(new QWidget, "TabSheet3", QStringLiteral("Preferences"));
  // The page is as high as the page control; the margins are tight so that the column
  // pages keep room for their OK button with the Trash choice below them.
  auto* l = new QVBoxLayout(page);
  l->setContentsMargins(4, 0, 4, 0);
  l->setSpacing(0);
  RadioGroup2_ = Named(
      new TRadioGroup(QStringLiteral("Double Click in \"Files\""),
                      {QStringLiteral("Run this file"), QStringLiteral("CheckBox of this file")}, 2,
                      page),
      "RadioGroup2");
  RadioGroup2_->layout()->setContentsMargins(8, 0, 8, 0);
  l->addWidget(RadioGroup2_);

  auto* colors = Named(new QGroupBox(QStringLiteral("Color options"), page), "GroupBox4");
  auto* grid = new QGridLayout(colors);
  grid->setContentsMargins(8, 0, 8, 0);
  grid->setVerticalSpacing(0);
  // The pickers are read by their labels.
  ColorComboBox3_ = Named(new TColorComboBox(0xFFFFFF, colors), "ColorComboBox3");
  ColorComboBox4_ = Named(new TColorComboBox(0x000000, colors), "ColorComboBox4");
  auto* label3 = new QLabel(QStringLiteral("Background color in \"Files\":"), colors);
  auto* label4 = new QLabel(QStringLiteral("Font color in \"Files\":"), colors);
  label3->setBuddy(ColorComboBox3_);
  label4->setBuddy(ColorComboBox4_);
  grid->addWidget(label3, 0, 0);
  grid->addWidget(ColorComboBox3_, 0, 1);
  grid->addWidget(label4, 1, 0);
  grid->addWidget(ColorComboBox4_, 1, 1);
  l->addWidget(colors);

  // The group colours are only kept with the settings; their group never shows.
  auto* hidden = Named(new QGroupBox(page), "GroupBox6");
  auto* hiddenGrid = new QGridLayout(hidden);
  ColorComboBox1_ = Named(new TColorComboBox(0xC0C0C0, hidden), "ColorComboBox1");
  ColorComboBox2_ = Named(new TColorComboBox(0x808080, hidden), "ColorComboBox2");
  auto* label1 = new QLabel(QStringLiteral("Color first group in \"Files\":"), hidden);
  auto* label2 = new QLabel(QStringLiteral("Color second group in \"Files\":"), hidden);
  label1->setBuddy(ColorComboBox1_);
  label2->setBuddy(ColorComboBox2_);
  hiddenGrid->addWidget(label1, 0, 0);
  hiddenGrid->addWidget(ColorComboBox1_, 0, 1);
  hiddenGrid->addWidget(label2, 1, 0);
  hiddenGrid->addWidget(ColorComboBox2_, 1, 1);
  hidden->hide();

  PageControl3_ = Named(new QTabWidget(page), "PageControl3");
  TabSheetColumnsFiles_ = buildColumnPage(ListId::Files);
  TabSheetColumnsDelete_ = buildColumnPage(ListId::Delete);
  PageControl3_->addTab(TabSheetColumnsFiles_, QStringLiteral("Columns in \"Files\""));
  PageControl3_->addTab(TabSheetColumnsDelete_, QStringLiteral("Columns in \"Files to delete\""));
  l->addWidget(PageControl3_, 1);

  CheckBoxTrash_ = Named(new QCheckBox(QStringLiteral("Move deleted files to the Trash"), page),
                         "CheckBoxTrash");
  l->addWidget(CheckBoxTrash_);
  return page;
}

QWidget* TFormMain::buildColumnPage(ListId list) {
  const int which = static_cast<int>(list);
  static const char* const kPages[] = {"TabSheetColumnsFiles", "TabSheetColumnsDelete"};
  static const char* const kBoxes[][2] = {{"ListBox1", "ListBox2"}, {"ListBox3", "ListBox4"}};
  static const char* const kArrows[][4] = {
      {"SpeedButton11", "SpeedButton12", "SpeedButton13", "SpeedButton15"},
      {"SpeedButton19", "SpeedButton16", "SpeedButton22", "SpeedButton23"}};
  static const char* const kOk[] = {"SpeedButton21_", "SpeedButton24"};
  static const char* const kArrowNames[] = {"Move to shown columns", "Move to existing columns",
                                            "Move column up", "Move column down"};
  static const int kArrowTurns[] = {0, 2, 3, 1};  // right, left, up, down
  auto* page = Named(new QWidget, kPages[which]);
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(4, 0, 4, 0);

  auto* left = new QVBoxLayout;
  left->setSpacing(0);
  auto* available = new QLabel(QStringLiteral("Existing Columns:"), page);
  ListBox_[which * 2] =
      Named(new QListWidget(page), kBoxes[which][0], QStringLiteral("Existing Columns:"));
  available->setBuddy(ListBox_[which * 2]);
  left->addWidget(available);
  left->addWidget(ListBox_[which * 2]);

  auto* middle = new QGridLayout;
  middle->setSpacing(2);
  for (int a = 0; a < 4; ++a) {
    auto* b = Named(new QPushButton(page), kArrows[which][a], S(kArrowNames[a]));
    b->setIcon(ArrowIcon(kArrowTurns[a]));
    b->setToolTip(S(kArrowNames[a]));
    b->setFixedSize(26, 22);
    b->setFocusPolicy(Qt::NoFocus);
    middle->addWidget(b, a / 2, a % 2);
  }
  auto* ok = Named(new QPushButton(page), kOk[which], QStringLiteral("Apply columns"));
  ok->setToolTip(QStringLiteral("Apply columns"));
  ok->setFixedSize(54, 28);
  ok->setIconSize(QSize(22, 22));
  ok->setFocusPolicy(Qt::NoFocus);
  middle->addWidget(ok, 2, 0, 1, 2, Qt::AlignHCenter);

  auto* right = new QVBoxLayout;
  right->setSpacing(0);
  const QString shownCaption = list == ListId::Files
                                   ? QStringLiteral("Columns in \"Files\":")
                                   : QStringLiteral("Columns in\n\"Files to delete\":");
  auto* shown = new QLabel(shownCaption, page);
  ListBox_[which * 2 + 1] =
      Named(new QListWidget(page), kBoxes[which][1],
            QString(shownCaption).replace(QLatin1Char('\n'), QLatin1Char(' ')));
  shown->setBuddy(ListBox_[which * 2 + 1]);
  right->addWidget(shown);
  right->addWidget(ListBox_[which * 2 + 1]);

  row->addLayout(left, 1);
  row->addLayout(middle, 0);
  row->addLayout(right, 1);
  return page;
}

void TFormMain::buildMenus() {
  auto* file = menuBar()->addMenu(QStringLiteral("File"));
  file->setObjectName(QStringLiteral("File1"));
  file->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                  QStringLiteral("Save searched pathes to file"))
      ->setObjectName(QStringLiteral("Savepathesoffilestofile1"));
  file->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                  QStringLiteral("Save searched names to file"))
      ->setObjectName(QStringLiteral("Savenamestofile1"));
  file->addSeparator();
  file->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("Exit"))
      ->setObjectName(QStringLiteral("Exit1"));
  buildCopiesMenu();
  auto* help = menuBar()->addMenu(QStringLiteral("Help"));
  help->setObjectName(QStringLiteral("Help1"));
  help->addAction(style()->standardIcon(QStyle::SP_DialogHelpButton), QStringLiteral("Contents"))
      ->setObjectName(QStringLiteral("Contents1"));
  help->addAction(QStringLiteral("Official Web Site"))
      ->setObjectName(QStringLiteral("OfficialWebSite1"));
  help->addSeparator();
  help->addAction(style()->standardIcon(QStyle::SP_MessageBoxInformation),
                  QStringLiteral("About Twinscan"))
      ->setObjectName(QStringLiteral("AboutTwinscan1"));
}

void TFormMain::buildPopup() {
  RxPopupMenu1_ = Named(new QMenu(this), "RxPopupMenu1");
  LaunchFile1_ = RxPopupMenu1_->addAction(style()->standardIcon(QStyle::SP_MediaPlay),
                                          QStringLiteral("Run File"));
  LaunchFile1_->setObjectName(QStringLiteral("LaunchFile1"));
  DeleteFiles1_ = RxPopupMenu1_->addAction(style()->standardIcon(QStyle::SP_TrashIcon),
                                           QStringLiteral("Delete File"));
  DeleteFiles1_->setObjectName(QStringLiteral("DeleteFiles1"));
  PopupSeparator_ = RxPopupMenu1_->addSeparator();
  UncheckallItems1_ = RxPopupMenu1_->addAction(style()->standardIcon(QStyle::SP_DialogResetButton),
                                               QStringLiteral("Uncheck all Items"));
  UncheckallItems1_->setObjectName(QStringLiteral("UncheckallItems1"));
  SelectallItems1_ = RxPopupMenu1_->addAction(style()->standardIcon(QStyle::SP_DialogApplyButton),
                                              QStringLiteral("Select all Items"));
  SelectallItems1_->setObjectName(QStringLiteral("SelectallItems1"));
}
