#include "app/sortedcombobox.h"

int SortedComboBox::AddItem(const QString& text) {
    // Binary search for the first entry that sorts after the text; equal
    // entries keep their insertion order.
    int lo = 0, hi = count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (collator_.compare(itemText(mid), text) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    // Adding an entry never changes the text in the edit field: Qt would
    // select the first entry added to an empty box.
    const QString edit = currentText();
    const bool hadSelection = currentIndex() >= 0;
    insertItem(lo, text);
    if (!hadSelection && currentIndex() >= 0) {
        setCurrentIndex(-1);
        setEditText(edit);
    }
    return lo;
}
