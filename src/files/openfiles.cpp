// Files handed to the program from outside: named on its command line or
// dropped from a file manager. Each opens as File › Open opens a file, and a
// file that cannot be opened gets Open's report while the rest still open.
#include "app/frmmain.h"
#include "document/activedocument.h"
#include "document/frmdocument.h"
#include "platform/errors.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

void frmMain::OpenFiles(const QStringList& paths, bool firstIntoActive) {
    // The active document takes the first file that opens; every other file
    // gets a window of its own. A window made for a file that then fails is
    // closed again, so no empty window is left behind for it.
    bool intoActive = firstIntoActive && ActiveForm();
    for (const QString& path : paths) {
        platform::dispatch([&] {
            const bool fresh = !intoActive;
            if (fresh)
                CreateDocumentWindow();
            // A long load keeps the window running, so the window may be gone.
            const QPointer<frmDocument> form = &activeDocument(*this);
            try {
                openDocument(path);  // as Open loads a file, long ones with the status panel saying so
            } catch (const platform::Error&) {
                if (fresh && form && form->parentWidget())
                    form->parentWidget()->close();
                throw;
            }
            intoActive = false;
        });
    }
}

namespace {

// The local files a drag carries, or none when it carries anything else.
QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

}  // namespace

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    OpenFiles(paths, false);
}
