// The commands that act on the active document: the Edit menu, the Format
// menu, the two toolbar boxes and the toolbar's formatting buttons. Each
// takes the main window's active document (nullptr when none is open) and
// the control it acts through, and handles its own failures as its command
// does.
#pragma once

#include <QString>

#include <optional>

class RichTextBox;
class frmDocument;

namespace platform {
class Button;
class CommonDialog;
}  // namespace platform

namespace document {

// Cut, Copy and Paste.
void copy(frmDocument* active);
void cut(frmDocument* active);
void paste(frmDocument* active);

// Format › Font: the shared dialog's font applied to the selection.
void chooseFont(platform::CommonDialog& dlg, frmDocument* active);
// The font-name and font-size boxes: the text as typed.
void setFontName(frmDocument* active, const QString& name);
void setFontSize(frmDocument* active, const QString& size);

// A formatting button of the toolbar: a toggle (bold, italic, underline)
// with the control's property, or one of the alignment buttons with its
// alignment code (0 left, 1 right, 2 centre).
struct FormatButton {
    std::optional<bool> (RichTextBox::*get)() const = nullptr;
    void (RichTextBox::*set)(bool) = nullptr;
    int alignment = -1;

    bool isFormatting() const { return get || alignment >= 0; }
};
// The button's click: the toggle flips the property and the button shows
// what the control then reports; an alignment button aligns the selection.
void clickFormatButton(const FormatButton& format, frmDocument* active, platform::Button& button);
// Whether the button shows pressed for the control's selection; a mixed
// value counts as not set.
bool formatButtonPressed(const FormatButton& format, const RichTextBox& box);

}  // namespace document
