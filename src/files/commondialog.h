// The shared common dialog: one object with the properties and show methods
// the commands use, whose values persist from one use to the next, over Qt's
// file, font and print dialogs.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace files {

// Print dialog option bits.
inline constexpr int cdlPDReturnDC = 0x100;
inline constexpr int cdlPDNoPageNums = 0x008;
inline constexpr int cdlPDSelection = 0x001;

class CommonDialog : public QObject {
    Q_OBJECT
public:
    explicit CommonDialog(QWidget* owner);
    ~CommonDialog() override;

    QString DialogTitle;
    bool CancelError = false;
    QString Filter;
    int FilterIndex = 1;
    QString FileName;
    int Flags = 0;
    int hDC = 0;
    QString FontName;
    double FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontStrikethru = false;
    bool FontUnderline = false;

    void ShowOpen();
    void ShowSave();
    void ShowPrinter();
    void ShowFont();

private:
    QWidget* owner_;
};

}  // namespace files
