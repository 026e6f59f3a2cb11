// Files handed to the program from outside: named on its command line or
// dropped from a file manager. Each opens as File › Open opens a file, and a
// file that cannot be opened gets Open's report while the rest still open.
#include "document/activedocument.h"
#include "document/frmdocument.h"
#include "files/documents.h"
#include "platform/errors.h"

#include <QMimeData>
#include <QPointer>
#include <QUrl>

namespace files {

void Documents::openFiles(const QStringList& paths, bool firstIntoActive) {
    // The active document takes the first file that opens; every other file
    // gets a window of its own. A window made for a file that then fails is
    // closed again, so no empty window is left behind for it.
    bool intoActive = firstIntoActive && active();
    for (const QString& path : paths) {
        platform::dispatch([&] {
            const bool fresh = !intoActive;
            if (fresh)
                create();
            // A long load keeps the window running, so the window may be gone.
            const QPointer<frmDocument> form = &document::activeDocument(active());
            try {
                open(path);  // as Open loads a file, long ones with the status panel saying so
            } catch (const platform::Error&) {
                if (fresh && form && form->parentWidget())
                    form->parentWidget()->close();
                throw;
            }
            intoActive = false;
        });
    }
}

QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

}  // namespace files
