// A document window: a child of the main window holding one rich-text
// control that always fills its client area. It tells the main window when
// the selection changes, so the formatting buttons keep in step with it.
#pragma once

#include <QWidget>

#include <functional>

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

    // Closing asks the question first (about unsaved changes; false keeps
    // the window open), unless the main window asked already (it is closing
    // everything).
    void setCloseQuestion(std::function<bool()> question) { closeQuestion_ = std::move(question); }
    void closeWithoutAsking() { askBeforeClosing_ = false; }

signals:
    // The control's selection or its format changed.
    void SelChange();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Lets Ctrl+X, Ctrl+C and Ctrl+V past the control to the Edit menu's
    // shortcuts, so they run the program's clipboard commands.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> closeQuestion_;
    bool askBeforeClosing_ = true;
};
