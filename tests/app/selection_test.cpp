#include "app/selection.h"

#include <gtest/gtest.h>

#include <vector>

using namespace app;

namespace {

// A list's selection as a plain vector; counts the changes it receives.
class Rows final : public SelectionModel {
public:
    explicit Rows(std::vector<bool> selected) : selected_(std::move(selected)) {}
    int Count() const override { return static_cast<int>(selected_.size()); }
    bool Selected(int row) const override { return selected_.at(static_cast<std::size_t>(row)); }
    void SetSelected(int row, bool selected) override {
        selected_.at(static_cast<std::size_t>(row)) = selected;
        ++changes;
    }
    const std::vector<bool>& State() const { return selected_; }
    int changes = 0;

private:
    std::vector<bool> selected_;
};

struct SelectionCase {
    const char* name;
    std::vector<bool> before;
    std::vector<bool> after;
};

}  // namespace

TEST(Selection, SelectAll) {
    const SelectionCase cases[] = {
        {"empty list does nothing", {}, {}},
        {"none selected", {false, false, false}, {true, true, true}},
        {"some selected", {true, false, true, false}, {true, true, true, true}},
        {"all selected stay", {true, true}, {true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rows rows(c.before);
        SelectAll(rows);
        EXPECT_EQ(rows.State(), c.after);
    }
}

TEST(Selection, InvertSelection) {
    const SelectionCase cases[] = {
        {"empty list does nothing", {}, {}},
        {"rows 0 and 2 of 4 become 1 and 3", {true, false, true, false}, {false, true, false, true}},
        {"all become none", {true, true, true}, {false, false, false}},
        {"none become all", {false, false}, {true, true}},
        {"single row", {false}, {true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rows rows(c.before);
        InvertSelection(rows);
        EXPECT_EQ(rows.State(), c.after);
    }
}

TEST(Selection, InvertTwiceRestores) {
    Rows rows({true, false, false, true, true});
    InvertSelection(rows);
    InvertSelection(rows);
    EXPECT_EQ(rows.State(), (std::vector<bool>{true, false, false, true, true}));
}

TEST(Selection, SelectFirstOnly) {
    const SelectionCase cases[] = {
        {"empty list stays empty", {}, {}},
        {"one row", {false}, {true}},
        {"others unselected", {false, true, true}, {true, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rows rows(c.before);
        SelectFirstOnly(rows);
        EXPECT_EQ(rows.State(), c.after);
    }
}

TEST(Selection, EmptyListReceivesNoChange) {
    Rows rows({});
    SelectAll(rows);
    InvertSelection(rows);
    SelectFirstOnly(rows);
    EXPECT_EQ(rows.changes, 0);
}
