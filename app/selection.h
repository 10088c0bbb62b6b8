#pragma once
// The selection commands of the Edit menu, over any list that holds a selected
// state per row (the window's list box, or a plain model in tests).

namespace app {

class SelectionModel {
public:
    virtual ~SelectionModel() = default;
    virtual int Count() const = 0;
    virtual bool Selected(int row) const = 0;
    virtual void SetSelected(int row, bool selected) = 0;
};

// Selects every row, from the first to the last.
void SelectAll(SelectionModel& rows);

// Flips every row's selected state, from the first to the last.
void InvertSelection(SelectionModel& rows);

// Selects row 0 and leaves every other row unselected (start-up); an empty list
// stays as it is.
void SelectFirstOnly(SelectionModel& rows);

}  // namespace app
