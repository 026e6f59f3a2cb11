// The title-less box shown while the program starts: product name, platform
// line, version, logo, maker, copyright and a legal warning. Any key that
// produces a character closes it.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;

class frmSplash : public QWidget {
    Q_OBJECT
public:
    frmSplash();

    QFrame* Frame1;
    QLabel* imgLogo;
    QLabel* lblCopyright;
    QLabel* lblCompany;
    QLabel* lblWarning;
    QLabel* lblVersion;
    QLabel* lblPlatform;
    QLabel* lblProductName;
    QLabel* lblLicenseTo;
    QLabel* lblCompanyProduct;

    // Shows the box (loading it first), without an owner and not modal.
    void Show();
    // Closes and destroys the box.
    void Unload();

    void Form_Load();
    void Form_KeyPress(int keyAscii);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool loaded_ = false;
};
