// The toolbar's formatting buttons: what a click does to the active
// document, and what the button shows for a selection. Every failure is
// skipped.
#include "document/activedocument.h"
#include "document/commands.h"
#include "document/richtextbox.h"
#include "platform/errors.h"
#include "platform/toolbar.h"

namespace document {

bool formatButtonPressed(const FormatButton& format, const RichTextBox& box) {
    if (format.get)
        return (box.*format.get)() == true;
    return box.SelAlignment() == format.alignment;
}

void clickFormatButton(const FormatButton& format, frmDocument* active, platform::Button& button) {
    if (!format.get) {
        platform::resumeNext([&] { activeRtfText(active).setSelAlignment(format.alignment); });
        return;
    }
    // Two steps: write the negation of the property back, then show on the
    // clicked button what the control now reports. A mixed selection (no
    // single value) counts as not set, so the toggle makes all of it set.
    platform::resumeNext([&] {
        RichTextBox& rtf = activeRtfText(active);
        (rtf.*format.set)(!formatButtonPressed(format, rtf));
    });
    platform::resumeNext([&] { button.setValue(formatButtonPressed(format, activeRtfText(active)) ? 1 : 0); });
}

}  // namespace document
