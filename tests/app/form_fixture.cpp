#include "form_fixture.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>

#include "app/widgets.h"

namespace {
// Checks each change of both list models against the model's own answers
// (ranges, counts, indexes) while the test drives the window; a fault ends
// the test program. Owned by the model.
void TestListModels(TFormMain& form) {
  for (ResultListView* view : {form.files(), form.filesToDelete()})
    new QAbstractItemModelTester(
        view->model(), QAbstractItemModelTester::FailureReportingMode::Fatal, view->model());
}
}  // namespace

FormFixture::FormFixture(int tableCapacity) : FormFixture(nullptr, tableCapacity) {}

FormFixture::FormFixture(const std::function<void(const TempTree&)>& prepare, int tableCapacity)
    : tableCapacity_(tableCapacity) {
  if (prepare) prepare(start);
  form = std::make_unique<TFormMain>(environment());
  form->onStatusText = [this](const QString& text) { statuses.push_back(text); };
  TestListModels(*form);
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
  auto other = std::make_unique<TFormMain>(environment());
  TestListModels(*other);
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
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < timeoutMs) {
    QTest::qWait(5);
    if (form->statusText().startsWith(QStringLiteral("Founded ")) && !form->scanRunActive()) {
      QCoreApplication::processEvents();
      return true;
    }
  }
  return false;
}

bool FormFixture::check(int mode, int timeoutMs) {
  auto* group = child<TRadioGroup>("RadioGroup1");
  group->item(mode)->setChecked(true);
  click("SpeedButton10");
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < timeoutMs) {
    QTest::qWait(5);
    if (!form->checkRunActive()) {
      settle();
      return true;
    }
  }
  return false;
}

bool FormFixture::deleteChecked(int timeoutMs) {
  click("SpeedButton26");
  if (!QTest::qWaitFor([this] { return !form->deleteRunActive(); }, timeoutMs)) return false;
  settle();
  return true;
}

void FormFixture::setFilesTick(int row, bool ticked) {
  auto* model = form->files()->model();
  model->setData(model->index(row, 0), ticked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void FormFixture::settle() {
  for (int i = 0; i < 5; ++i) {
    QTest::qWait(5);
    QCoreApplication::processEvents();
  }
}
