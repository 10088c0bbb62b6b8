#pragma once
// Thin wrappers over the standard controls of the main window. They do not own
// their windows: the parent destroys its children.

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

#include "app/selection.h"

namespace app::window {

// The window's children are addressed through these; the wrappers only carry
// the handle and name the messages.
class Control {
public:
    void Attach(HWND handle) { handle_ = handle; }
    HWND Handle() const { return handle_; }

    // Position and size in the parent's client coordinates.
    RECT Bounds() const;
    int Width() const;
    void SetWidth(int width);
    void SetFont(HFONT font);

protected:
    HWND handle_ = nullptr;
};

// The owner-drawn, extended-selection list box. Its rows keep their strings
// (LBS_HASSTRINGS), so the text of a row is read back with LB_GETTEXT.
class ListBox final : public Control, public SelectionModel {
public:
    int Count() const override;
    bool Selected(int row) const override;
    void SetSelected(int row, bool selected) override;

    void Add(std::u16string_view text);
    // Adds the texts as rows, in order. The list is redrawn, and its scroll bar
    // set, once after the last row instead of after every row.
    void AddAll(std::span<const std::u16string> texts);
    std::u16string Text(int row) const;
    int TopIndex() const;
    void SetTopIndex(int row);
    int ClientHeight() const;
};

// Switches a control's redrawing off for its lifetime; at its end redrawing is
// switched on again and the whole control, scroll bar included, drawn anew.
class RedrawPause {
public:
    explicit RedrawPause(const Control& control);
    ~RedrawPause();
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    HWND handle_;
};

class Button final : public Control {
public:
    void SetCaption(std::u16string_view caption);
    std::u16string Caption() const;
    void SetEnabled(bool enabled);
    bool Enabled() const;
    // Draws the button now, not at the next paint message.
    void Repaint();
};

}  // namespace app::window
