// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/keep_rules_dialog.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr KeepCriterion kAllCriteria[] = {KeepCriterion::Oldest,       KeepCriterion::Newest,
                                          KeepCriterion::ShortestPath, KeepCriterion::LongestPath,
                                          KeepCriterion::Shallowest,   KeepCriterion::Deepest,
                                          KeepCriterion::Name};

// A folder's bytes travel in the item, its text is for display only.
constexpr int kBytesRole = Qt::UserRole;
constexpr int kCriterionRole = Qt::UserRole + 1;

template <class W>
W* Named(W* widget, const char* name, const QString& accessible) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setAccessibleName(accessible);
  return widget;
}

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
  const QString caption = QString::fromUtf8(text);
  return Named(new QPushButton(caption, parent), name, caption);
}

QListWidget* List(const char* name, const QString& label, QWidget* parent) {
  auto* list = Named(new QListWidget(parent), name, label);
  list->setMinimumHeight(70);
  return list;
}

void AddFolderItem(QListWidget* list, const std::string& folder) {
  auto* item = new QListWidgetItem(QFile::decodeName(QByteArray::fromStdString(folder)), list);
  item->setData(kBytesRole, QByteArray::fromStdString(folder));
  item->setToolTip(item->text());
}

std::vector<std::string> Folders(const QListWidget* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->count(); ++i)
    out.push_back(list->item(i)->data(kBytesRole).toByteArray().toStdString());
  return out;
}

// Moves the current row of `list` one place up (-1) or down (+1).
void MoveCurrent(QListWidget* list, int step) {
  const int row = list->currentRow();
  const int to = row + step;
  if (row < 0 || to < 0 || to >= list->count()) return;
  QListWidgetItem* item = list->takeItem(row);
  list->insertItem(to, item);
  list->setCurrentRow(to);
}

// Up and Down beside a list; `name` gives their object names "<name>Up", "<name>Down".
QVBoxLayout* UpDown(QListWidget* list, const QString& name, QWidget* parent) {
  auto* column = new QVBoxLayout;
  for (const int step : {-1, 1}) {
    const QString text = step < 0 ? QStringLiteral("Up") : QStringLiteral("Down");
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name + text);
    b->setAccessibleName(text);
    QObject::connect(b, &QPushButton::clicked, list, [list, step] { MoveCurrent(list, step); });
    column->addWidget(b);
  }
  return column;
}

}  // namespace

QString KeepCriterionText(KeepCriterion criterion) {
  switch (criterion) {
    case KeepCriterion::Oldest:
      return QStringLiteral("Oldest modification time");
    case KeepCriterion::Newest:
      return QStringLiteral("Newest modification time");
    case KeepCriterion::ShortestPath:
      return QStringLiteral("Shortest path");
    case KeepCriterion::LongestPath:
      return QStringLiteral("Longest path");
    case KeepCriterion::Shallowest:
      return QStringLiteral("Fewest folders deep");
    case KeepCriterion::Deepest:
      return QStringLiteral("Most folders deep");
    case KeepCriterion::Name:
      return QStringLiteral("First by name");
  }
  return {};
}

std::vector<std::pair<KeepCriterion, bool>> KeepRulesChoice::AllCriteriaOff() {
  std::vector<std::pair<KeepCriterion, bool>> out;
  for (const KeepCriterion c : kAllCriteria) out.emplace_back(c, false);
  return out;
}

KeepRule KeepRulesChoice::rule() const {
  KeepRule rule;
  rule.folders = preferred;
  for (const auto& [criterion, on] : criteria) {
    if (on) rule.criteria.push_back(criterion);
  }
  return rule;
}

std::vector<std::pair<std::string, bool>> KeepRulesChoice::criteriaWords() const {
  std::vector<std::pair<std::string, bool>> out;
  if (criteria == AllCriteriaOff()) return out;
  for (const auto& [criterion, on] : criteria)
    out.emplace_back(std::string(KeepCriterionWord(criterion)), on);
  return out;
}

void KeepRulesChoice::setCriteriaWords(const std::vector<std::pair<std::string, bool>>& words) {
  criteria.clear();
  const auto named = [this](KeepCriterion c) {
    return std::any_of(criteria.begin(), criteria.end(),
                       [c](const auto& entry) { return entry.first == c; });
  };
  for (const auto& [word, on] : words) {
    const std::optional<KeepCriterion> c = KeepCriterionFromWord(word);
    if (c && !named(*c)) criteria.emplace_back(*c, on);
  }
  for (const KeepCriterion c : kAllCriteria) {
    if (!named(c)) criteria.emplace_back(c, false);
  }
}

KeepRulesDialog::KeepRulesDialog(const KeepRulesChoice& choice, Dialogs& dialogs, std::string start,
                                 std::function<void(const KeepRulesChoice&)> apply, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), start_(std::move(start)) {
  setObjectName(QStringLiteral("KeepRulesDialog"));
  setWindowTitle(QStringLiteral("Keep Rules"));
  auto* grid = new QGridLayout;
  int row = 0;
  // A list with its label above it and its buttons to the right.
  const auto section = [&](const QString& text, QListWidget* list, QLayout* buttons) {
    auto* label = new QLabel(text + QLatin1Char(':'), this);
    label->setObjectName(list->objectName() + QStringLiteral("Label"));
    label->setBuddy(list);
    label->setWordWrap(true);
    grid->addWidget(label, row++, 0, 1, 2);
    grid->addWidget(list, row, 0);
    grid->addLayout(buttons, row++, 1);
  };

  const QString criteriaText = QStringLiteral(
      "Which copy of each set stays: the first criterion that is on decides, "
      "ties fall to the next, then to the list order");
  criteria_ = List("KeepCriteriaList", criteriaText, this);
  for (const auto& [criterion, on] : choice.criteria) {
    auto* item = new QListWidgetItem(KeepCriterionText(criterion), criteria_);
    item->setData(kCriterionRole, static_cast<int>(criterion));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
  auto* criteriaButtons = UpDown(criteria_, QStringLiteral("KeepCriterion"), this);
  criteriaButtons->addStretch();
  section(criteriaText, criteria_, criteriaButtons);

  const QString preferredText =
      QStringLiteral("Folders to prefer: the first that holds a copy of a set decides");
  preferred_ = List("PreferredFoldersList", preferredText, this);
  for (const std::string& folder : choice.preferred) AddFolderItem(preferred_, folder);
  auto* preferredButtons = new QVBoxLayout;
  auto* addPreferred = Button("Add...", "PreferredFolderAdd", this);
  auto* removePreferred = Button("Remove", "PreferredFolderRemove", this);
  preferredButtons->addWidget(addPreferred);
  preferredButtons->addWidget(removePreferred);
  preferredButtons->addLayout(UpDown(preferred_, QStringLiteral("PreferredFolder"), this));
  preferredButtons->addStretch();
  section(preferredText, preferred_, preferredButtons);

  const QString protectedText =
      QStringLiteral("Protected folders: nothing below them is ever ticked or deleted");
  protected_ = List("ProtectedFoldersList", protectedText, this);
  for (const std::string& folder : choice.protectedFolders) AddFolderItem(protected_, folder);
  auto* protectedButtons = new QVBoxLayout;
  auto* addProtected = Button("Add...", "ProtectedFolderAdd", this);
  auto* removeProtected = Button("Remove", "ProtectedFolderRemove", this);
  protectedButtons->addWidget(addProtected);
  protectedButtons->addWidget(removeProtected);
  protectedButtons->addStretch();
  section(protectedText, protected_, protectedButtons);

  const QString afterText = QStringLiteral("Apply after every check");
  afterCheck_ = Named(new QCheckBox(afterText, this), "KeepAfterCheck", afterText);
  afterCheck_->setChecked(choice.afterEveryCheck);

  apply_ = Button("Apply", "KeepRulesApply", this);
  auto* ok = Button("OK", "KeepRulesOk", this);
  auto* cancel = Button("Cancel", "KeepRulesCancel", this);
  ok->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(apply_);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  connect(addPreferred, &QPushButton::clicked, this, [this] { addFolder(preferred_); });
  connect(addProtected, &QPushButton::clicked, this, [this] { addFolder(protected_); });
  for (auto [button, list] :
       {std::pair{removePreferred, preferred_}, {removeProtected, protected_}}) {
    connect(button, &QPushButton::clicked, this, [list = list] { delete list->currentItem(); });
  }
  connect(apply_, &QPushButton::clicked, this,
          [this, apply = std::move(apply)] { apply(this->choice()); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(afterCheck_);
  layout->addLayout(buttons);
  resize(520, 520);
}

void KeepRulesDialog::addFolder(QListWidget* list) {
  const std::optional<std::string> folder = dialogs_.pickFolder(start_);
  if (!folder) return;
  const std::vector<std::string> known = Folders(list);
  if (std::find(known.begin(), known.end(), *folder) == known.end()) AddFolderItem(list, *folder);
  start_ = *folder;
}

KeepRulesChoice KeepRulesDialog::choice() const {
  KeepRulesChoice out;
  out.criteria.clear();
  for (int i = 0; i < criteria_->count(); ++i) {
    const QListWidgetItem* item = criteria_->item(i);
    out.criteria.emplace_back(static_cast<KeepCriterion>(item->data(kCriterionRole).toInt()),
                              item->checkState() == Qt::Checked);
  }
  out.preferred = Folders(preferred_);
  out.protectedFolders = Folders(protected_);
  out.afterEveryCheck = afterCheck_->isChecked();
  return out;
}
