// The toolbar's one click handler: it compares the clicked button's key with
// its keys in order and runs the first match. Every failure, in a step here
// or inside a command it calls, is skipped, except that Open and Save report
// theirs as the menu does: a file that was not read or written must never
// look as if it had been.
#include "app/frmmain.h"
#include "document/activedocument.h"
#include "document/richtextbox.h"
#include "platform/errors.h"
#include "platform/toolbar.h"

#include <optional>

namespace {

using Getter = std::optional<bool> (RichTextBox::*)() const;
using Setter = void (RichTextBox::*)(bool);

// Two steps: write the negation of the property back, then show on the
// clicked button what the control now reports. A mixed selection (no single
// value) counts as not set, so the toggle makes all of it set.
void toggle(frmMain& main, platform::Button* button, Getter get, Setter set) {
    platform::resumeNext([&] {
        RichTextBox& rtf = activeRtfText(main);
        (rtf.*set)(!((rtf.*get)() == true));
    });
    platform::resumeNext([&] {
        RichTextBox& rtf = activeRtfText(main);
        button->setValue((rtf.*get)() == true ? 1 : 0);
    });
}

void align(frmMain& main, int alignment) {
    platform::resumeNext([&] { activeRtfText(main).setSelAlignment(alignment); });
}

}  // namespace

void frmMain::tbToolBar_ButtonClick(platform::Button* Button) {
    const QString key = Button->Key();
    auto command = [this](void (frmMain::*handler)()) { platform::resumeNext([&] { (this->*handler)(); }); };
    auto reported = [this](void (frmMain::*handler)()) { platform::dispatch([&] { (this->*handler)(); }); };
    if (key == QStringLiteral("新建"))
        command(&frmMain::CreateDocumentWindow);
    else if (key == QStringLiteral("打开"))
        reported(&frmMain::mnuFileOpen_Click);
    else if (key == QStringLiteral("保存"))
        reported(&frmMain::mnuFileSave_Click);
    else if (key == QStringLiteral("打印"))
        command(&frmMain::mnuFilePrint_Click);
    else if (key == QStringLiteral("剪切"))
        command(&frmMain::mnuEditCut_Click);
    else if (key == QStringLiteral("复制"))
        command(&frmMain::mnuEditCopy_Click);
    else if (key == QStringLiteral("粘贴"))
        command(&frmMain::mnuEditPaste_Click);
    else if (key == QStringLiteral("粗体"))
        toggle(*this, Button, &RichTextBox::SelBold, &RichTextBox::setSelBold);
    else if (key == QStringLiteral("斜体"))
        toggle(*this, Button, &RichTextBox::SelItalic, &RichTextBox::setSelItalic);
    else if (key == QStringLiteral("下划线"))
        toggle(*this, Button, &RichTextBox::SelUnderline, &RichTextBox::setSelUnderline);
    else if (key == QStringLiteral("左对齐"))
        align(*this, 0);
    else if (key == QStringLiteral("置中"))
        align(*this, 2);
    else if (key == QStringLiteral("右对齐"))
        align(*this, 1);
}
