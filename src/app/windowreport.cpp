#include "app/windowreport.h"

#include "app/frmmain.h"
#include "document/formatmap.h"
#include "document/frmdocument.h"
#include "document/richtextbox.h"

#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// What a document holds: first character bold 1/0, the first paragraph's
// alignment code, and the text with \\, tab and line ends escaped.
QString contentLine(const frmDocument& d) {
    QTextDocument* doc = d.rtfText->document();
    QTextCursor first(doc);
    first.setPosition(doc->isEmpty() ? 0 : 1);
    const bool bold = !doc->isEmpty() && first.charFormat().fontWeight() >= QFont::Bold;
    const int align = document::alignmentCode(doc->firstBlock().blockFormat().alignment());
    QString text = doc->toPlainText();
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return QStringLiteral("content\t%1\t%2\t%3\t%4\n")
        .arg(d.Caption(), QString::number(bold ? 1 : 0), align < 0 ? QStringLiteral("-") : QString::number(align),
             text);
}

}  // namespace

void writeWindowReport(const frmMain& main) {
    const QString path = qEnvironmentVariable("SCRIVLET_WINDOW_REPORT");
    if (path.isEmpty())
        return;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QString report = QStringLiteral("main\t%1\n").arg(main.windowTitle());
    for (const frmDocument* d : main.documents())
        report += QStringLiteral("document\t%1\n").arg(d->Caption());
    // What each document holds and where its window lies in the document area.
    const QSize area = main.mdiClient->viewport()->size();
    report += QStringLiteral("area\t%1\t%2\n").arg(area.width()).arg(area.height());
    for (QMdiSubWindow* w : main.mdiClient->subWindowList(QMdiArea::CreationOrder)) {
        const auto* d = qobject_cast<const frmDocument*>(w->widget());
        if (!d)
            continue;
        report += contentLine(*d);
        const QRect g = w->geometry();
        report += QStringLiteral("window\t%1\t%2\t%3\t%4\t%5\t%6\n")
                      .arg(d->Caption(), QString::number(g.x()), QString::number(g.y()), QString::number(g.width()),
                           QString::number(g.height()), QString::number(w->isMinimized() ? 1 : 0));
    }
    if (const frmDocument* d = main.ActiveForm())
        report += QStringLiteral("active\t%1\n").arg(d->Caption());
    f.write(report.toUtf8());
}
