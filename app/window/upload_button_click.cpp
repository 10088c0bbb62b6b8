// TForm1: the click of the show-details button runs the show-details command
// over this window's list and button.
#include "app/window/form1.h"

#include "app/command_progress.h"
#include "app/language.h"
#include "app/run_folders.h"
#include "app/window/shell_open.h"
#include "details/show_details_command.h"

namespace app::window {
namespace {

// The window as the command sees it. Texts and selection are read at the moment
// the command asks: both may change while the converter runs. The command reads
// the row count once and asks about every row in order, which is its progress.
class FormView final : public details::ShowDetailsView {
public:
    FormView(TForm1& form, CommandProgress& progress) : form_(form), progress_(progress) {}

    int RowCount() override {
        const int rows = form_.ListBox1.Count();
        progress_.Start(rows);
        return rows;
    }
    std::u16string RowText(int row) override { return form_.ListBox1.Text(row); }
    bool RowSelected(int row) override {
        progress_.ReachRow(row);
        return form_.ListBox1.Selected(row);
    }

    void SetButtonCaption(std::u16string_view caption) override { form_.UploadButton.SetCaption(caption); }
    void SetButtonEnabled(bool enabled) override {
        form_.UploadButton.SetEnabled(enabled);
        // The button restored: the rows are done.
        if (enabled) progress_.Finish();
    }
    void RepaintButton() override { form_.UploadButton.Repaint(); }

    std::u16string PleaseWaitText() override { return InterfaceStrings.PleaseWaitText; }
    std::u16string EllipsisSuffix() override { return InterfaceStrings.EllipsisSuffix; }
    std::u16string ShowDetailsText() override { return InterfaceStrings.ShowDetailsText; }

    void OpenAddress(std::u16string_view address) override { ShellOpen(form_.Handle(), address); }

private:
    TForm1& form_;
    CommandProgress& progress_;
};

}  // namespace

void TForm1::UploadButtonClick() {
    // Outlives the view: an error that leaves the command clears the progress as well.
    CommandProgress progress(taskbarProgress_.Connected() ? &taskbarProgress_ : nullptr);
    FormView view(*this, progress);
    details::UploadButtonClick(view, {MediaFolder, ConverterPath, TempFolder});
}

}  // namespace app::window
