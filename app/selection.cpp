#include "app/selection.h"

namespace app {

void SelectAll(SelectionModel& rows) {
    for (int row = 0; row < rows.Count(); ++row) rows.SetSelected(row, true);
}

void InvertSelection(SelectionModel& rows) {
    // The count is read on every step: the list is the only record of the rows.
    for (int row = 0; row < rows.Count(); ++row) rows.SetSelected(row, !rows.Selected(row));
}

void SelectFirstOnly(SelectionModel& rows) {
    for (int row = 0; row < rows.Count(); ++row) rows.SetSelected(row, row == 0);
}

}  // namespace app
