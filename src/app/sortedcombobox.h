// A drop-down combo box that keeps its list in alphabetical order whatever
// the order of insertion, the way a sorted list box of the platform does
// (case-insensitive comparison).
#pragma once

#include <QComboBox>

class SortedComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    // Inserts the text at its sorted place and returns its index.
    int AddItem(const QString& text);
};
