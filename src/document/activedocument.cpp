#include "document/activedocument.h"

#include "document/frmdocument.h"
#include "platform/errors.h"

namespace document {

frmDocument& activeDocument(frmDocument* active) {
    if (!active)
        platform::raise(platform::err::NoActiveDocument, QStringLiteral("没有活动的文档窗口"));
    return *active;
}

RichTextBox& activeRtfText(frmDocument* active) {
    return *activeDocument(active).rtfText;
}

}  // namespace document
