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

void TFormMain::vgThreadAfterScanExecute(RunContext& run,
                                         const std::vector<std::string>& captions) {
  class Sink final : public GroupingSink {
   public:
    Sink(RunContext& run, TFormMain& form, const std::vector<std::string>& captions)
        : run_(run), form_(&form), captions_(captions) {
      batch_.reserve(kRowBatch);
    }

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
    void expectRows(int rows) override { expected_ = rows; }
    void beginFill() override {
      run_.post([form = form_, rows = expected_] {
        form->resetFilesList();
        // Room for every row at once: growing a list of many rows on the
        // way would move all of them each time.
        form->filesList_.reserve(rows);
        form->filesList_.beginUpdate();
        form->vgListView1_->setUpdatesEnabled(false);
        form->fillInProgress_ = true;
      });
    }
    void addRow(CandidateListRow row) override {
      // The row's texts are laid out here, off the window thread, by the
      // columns "Files" had when the grouping started; they cannot change
      // before the fill ends (a column apply waits for it).
      batch_.push_back(
          MakeListRowFor(captions_, row.ImageIndex, row.FileName, row.Size, row.FullPath));
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
      run_.post([form = form_, rows = std::move(batch_)]() mutable {
        ResultList& files = form->filesList_;
        if (files.columnCount() == 0) return;  // AddListRow adds nothing without columns
        files.appendRows(std::move(rows));
      });
      batch_ = {};
      batch_.reserve(kRowBatch);
    }

    RunContext& run_;
    TFormMain* form_;
    const std::vector<std::string>& captions_;
    std::vector<ListRow> batch_;
    int expected_ = 0;
  } sink(run, *this, captions);

  RunGrouping(
      {scanTable_, fileTable_, candidates_, FilesListFilled}, icons_, sink,
      [&run] { run.checkpoint(); }, &run.stopFlag());
}
