// The grouping worker: turns the scan table into candidates and fills "Files"
// in ordered batches on the window thread.
#include <QFile>

#include "app/form_main.h"
#include "app/progress_window.h"
#include "group/grouping.h"
#include "lists/row_texts.h"

namespace {

// Rows per batch: large enough that 500000 rows need few posts, small enough
// that adding one batch keeps the window thread free within milliseconds.
constexpr std::size_t kRowBatch = 2048;

}  // namespace

void TFormMain::vgThreadAfterScanExecute(RunContext& run) {
  class Sink final : public GroupingSink {
   public:
    Sink(RunContext& run, TFormMain& form) : run_(run), form_(&form) { batch_.reserve(kRowBatch); }

    void status(const std::string& text) override {
      flush();
      run_.post([form = form_, text] { form->setStatusText(text); });
    }
    void progress(int percent) override {
      flush();
      run_.post([form = form_, percent] { form->setProgress(percent); });
    }
    void activityLabel(const std::string& text) override {
      flush();
      run_.post([form = form_, text] {
        form->FormProgressScanning_->Label2()->setText(QString::fromUtf8(text.c_str()));
      });
    }
    void beginFill() override {
      run_.post([form = form_] {
        form->resetFilesList();
        form->filesList_.beginUpdate();
        form->vgListView1_->setUpdatesEnabled(false);
        form->fillInProgress_ = true;
      });
    }
    void addRow(CandidateListRow row) override {
      batch_.push_back(std::move(row));
      if (batch_.size() >= kRowBatch) flush();
    }
    void endFill() override {
      flush();
      run_.post([form = form_] {
        while (form->filesList_.updating()) form->filesList_.endUpdate();
        form->vgListView1_->setUpdatesEnabled(true);
      });
    }
    void showFilesPage() override {
      run_.post([form = form_] { form->PageControl2_->setCurrentWidget(form->TabSheetFiles_); });
    }
    void unlockRunControls() override {
      run_.post([form = form_] {
        form->fillInProgress_ = false;
        form->groupingActive_ = false;
        form->UnlockRunControls();
        form->runDeferredAfterFill();
      });
    }

   private:
    void flush() {
      if (batch_.empty()) return;
      run_.post([form = form_, rows = std::move(batch_)] {
        ResultList& files = form->filesList_;
        if (files.columnCount() == 0) return;  // AddListRow adds nothing without columns
        std::vector<ListRow> listRows;
        listRows.reserve(rows.size());
        for (const auto& r : rows) {
          listRows.push_back(MakeListRow(files, r.ImageIndex, r.FileName, r.Size, r.FullPath));
        }
        files.appendRows(std::move(listRows));
      });
      batch_ = {};
      batch_.reserve(kRowBatch);
    }

    RunContext& run_;
    TFormMain* form_;
    std::vector<CandidateListRow> batch_;
  } sink(run, *this);

  RunGrouping({scanTable_, fileTable_, candidates_, FilesListFilled}, icons_, sink,
              [&run] { run.checkpoint(); }, &run.stopFlag());
}
