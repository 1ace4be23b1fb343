// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "form_fixture.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QThread>

#include "app/widgets.h"
#include "settings/preferences.h"

namespace {
// Checks each change of both list models against the model's own answers
// (ranges, counts, indexes) while the test drives the window; a fault ends
// the test program. Owned by the model.
void TestListModels(TFormMain& form) {
  for (ResultListView* view : {form.files(), form.filesToDelete()})
    new QAbstractItemModelTester(
        view->model(), QAbstractItemModelTester::FailureReportingMode::Fatal, view->model());
}

// A first start moves deleted files to the Trash; a test window unlinks them
// unless the test turns the Trash on, so no test fills the user's Trash.
std::unique_ptr<TFormMain> NewForm(FormEnvironment environment) {
  const bool firstStart = !PathExists(environment.startDirectory + "/" + kPreferencesFileName);
  auto form = std::make_unique<TFormMain>(std::move(environment));
  if (firstStart) form->findChild<QCheckBox*>(QStringLiteral("CheckBoxTrash"))->setChecked(false);
  TestListModels(*form);
  return form;
}
}  // namespace

FormFixture::FormFixture(int tableCapacity) : FormFixture(nullptr, tableCapacity) {}

FormFixture::FormFixture(const std::function<void(const TempTree&)>& prepare, int tableCapacity)
    : tableCapacity_(tableCapacity) {
  if (prepare) prepare(start);
  form = NewForm(environment());
  form->onStatusText = [this](const QString& text) { statuses.push_back(text); };
  form->show();
  // Let the start-up page selection run.
  QTest::qWait(20);
}

FormEnvironment FormFixture::environment() {
  FormEnvironment env;
  env.dialogs = &dialogs;
  env.startDirectory = start.root();
  env.tableCapacity = tableCapacity_;
  env.placementFile = QString::fromStdString(start.path("placement.ini"));
  env.openUrl = [this](const QUrl& url) { opened.push_back(url); };
  env.exitNow = [this] { ++exits; };
  return env;
}

std::unique_ptr<TFormMain> FormFixture::openAnother() {
  auto other = NewForm(environment());
  other->show();
  QTest::qWait(20);
  return other;
}

FormFixture::~FormFixture() {
  if (!form) return;  // a test ended the window itself
  form->waitForWorkers(10000);
  form.reset();
}

void FormFixture::stopTestingListModels() {
  for (ResultListView* view : {form->files(), form->filesToDelete()})
    qDeleteAll(view->model()->findChildren<QAbstractItemModelTester*>());
}

void FormFixture::click(const char* name) const {
  auto* b = button(name);
  if (!b->isEnabled()) qFatal("button %s is disabled", name);
  b->click();
}

bool FormFixture::scan(const std::string& folder, int timeoutMs) {
  statuses.clear();
  form->setFolderText(folder);
  click("SpeedButton4");
  return driver.settle(std::chrono::milliseconds(timeoutMs)) &&
         form->statusText().startsWith(QStringLiteral("Founded "));
}

bool FormFixture::scanTwins() {
  twins.write("a", "same");
  twins.write("b", "same");
  return scan(twins.root());
}

bool FormFixture::handOverToGrouping(int timeoutMs) {
  form->TimerScan1Timer();
  if (!WaitWithoutEvents([this] { return form->walkDone(); }, timeoutMs)) return false;
  form->TimerScan1Timer();
  return true;
}

bool FormFixture::check(int mode, int timeoutMs) {
  auto* group = child<TRadioGroup>("RadioGroup1");
  group->item(mode)->setChecked(true);
  click("SpeedButton10");
  return driver.settle(std::chrono::milliseconds(timeoutMs));
}

bool FormFixture::deleteChecked(int timeoutMs) {
  click("SpeedButton26");
  return driver.settle(std::chrono::milliseconds(timeoutMs));
}

void FormFixture::setFilesTick(int row, bool ticked) {
  auto* model = form->files()->model();
  model->setData(model->index(row, 0), ticked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void FormFixture::settle() {
  QCoreApplication::processEvents();
  if (!WaitFor([this] { return !form->deleteListStale(); }, 5000))
    qWarning("the rebuild of \"Files to delete\" has not ended");
}

namespace {
bool Poll(const std::function<bool()>& done, int timeoutMs, bool runEvents) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    if (runEvents) {
      QTest::qWait(1);
    } else {
      QThread::msleep(1);
    }
  }
  return true;
}
}  // namespace

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  return Poll(done, timeoutMs, true);
}

bool WaitWithoutEvents(const std::function<bool()>& done, int timeoutMs) {
  return Poll(done, timeoutMs, false);
}

bool WindowDriver::driveUntil(const std::function<bool()>& done,
                              std::chrono::milliseconds timeout) {
  return WaitFor(done, static_cast<int>(timeout.count()));
}

void WindowDriver::finishDeleteList() {
  // Timer2 runs the rebuild once the events waiting now are handled.
  QCoreApplication::processEvents();
  driveUntil([this] { return !form_->deleteListStale(); }, std::chrono::seconds(5));
}
