// The About box: icon, title, version, an etched line, a legal warning, and
// two buttons: OK, and one that starts the system-information program.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* owner);

    QLabel* picIcon;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
    QLabel* lbDescription;
    QLabel* lbTitle;
    QLabel* lbVersion;
    QLabel* lblDisclaimer;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    // Finds the system-information program in the machine's registry and
    // starts it, or says "此时系统信息不可用".
    void StartSysInfo();
    // Reads one registry value as text through the narrow registry calls.
    // True when the key was opened and the value read, whatever its type.
    bool GetKeyValue(quint32 KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal);

    // The etched separator, in twips: (x1, y, x2) of the shadow and
    // highlight lines, each in a colour of the window's palette.
    struct Line {
        int x1, y, x2;
        QPalette::ColorRole colour;
        int widthPixels;
    };
    static const Line Line1[2];

protected:
    void paintEvent(QPaintEvent* event) override;
    void reject() override;  // Esc and the close box unload the box
};
