#include "document/activedocument.h"

#include "app/frmmain.h"
#include "document/frmdocument.h"
#include "platform/errors.h"

frmDocument& activeDocument(const frmMain& main) {
    frmDocument* form = main.ActiveForm();
    if (!form)
        platform::raise(platform::err::NoActiveDocument, QStringLiteral("没有活动的文档窗口"));
    return *form;
}

RichTextBox& activeRtfText(const frmMain& main) {
    return *activeDocument(main).rtfText;
}
