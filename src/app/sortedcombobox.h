// A drop-down combo box that keeps its list sorted whatever the order of
// insertion, the way a sorted list box does, in the order a Chinese user
// expects: the zh_CN collation, which puts Chinese names in pinyin order
// and then Latin names alphabetically, whatever their case.
#pragma once

#include <QCollator>
#include <QComboBox>

class SortedComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    // Inserts the text at its sorted place and returns its index.
    int AddItem(const QString& text);

private:
    QCollator collator_{QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China)};
};
