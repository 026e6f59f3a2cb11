// A document window: a child of the main window holding one rich-text
// control that always fills its client area. It keeps the main window's
// formatting buttons in step with the selection.
#pragma once

#include <QWidget>

class RichTextBox;

class frmDocument : public QWidget {
    Q_OBJECT
public:
    frmDocument();

    RichTextBox* rtfText;

    // The caption is the document's only name: "文档 N" or the file's path.
    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }

    // Inner size of the client area, in twips.
    double ScaleWidth() const;
    double ScaleHeight() const;

    void Form_Load();
    void Form_Resize();
    void rtfText_SelChange();

    // The design-time client area, 4680 x 3195 twips: the size a new
    // document window opens with.
    QSize sizeHint() const override;

    // Closing asks about unsaved changes first, unless the main window
    // asked already (it is closing everything).
    void closeWithoutAsking() { askBeforeClosing_ = false; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Lets Ctrl+X, Ctrl+C and Ctrl+V past the control to the Edit menu's
    // shortcuts, so they run the program's clipboard commands.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool askBeforeClosing_ = true;
};
