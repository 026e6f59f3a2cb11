#include "platform/mdiarrange.h"

#include "platform/errors.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QStyleOptionTitleBar>

namespace platform {

namespace {

QList<QMdiSubWindow*> windows(QMdiArea* area, bool minimised) {
    QList<QMdiSubWindow*> result;
    for (QMdiSubWindow* w : area->subWindowList(QMdiArea::CreationOrder))
        if (w->isVisible() && w->isMinimized() == minimised)
            result.append(w);
    return result;
}

int titleBarHeight(QMdiSubWindow* w) {
    QStyleOptionTitleBar option;
    option.initFrom(w);
    const int h = w->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, w);
    return h > 0 ? h : 24;
}

void restoreFromMaximised(QMdiSubWindow* w) {
    if (w->isMaximized())
        w->showNormal();
}

// Where arrange icons puts each minimised window: left to right along the
// bottom of the area, a new row above when one is full.
QList<QPoint> iconPositions(const QList<QMdiSubWindow*>& icons, const QSize& client) {
    QList<QPoint> positions;
    int x = 0;
    int row = 0;
    for (QMdiSubWindow* w : icons) {
        const QSize s = w->size();
        if (x > 0 && x + s.width() > client.width()) {
            x = 0;
            ++row;
        }
        positions.append(QPoint(x, client.height() - s.height() * (row + 1)));
        x += s.width();
    }
    return positions;
}

// The height of the rows the minimised windows take at the bottom of the
// area, or 0 when none is minimised: cascades and tiles keep out of it.
int iconRowHeight(QMdiArea* area) {
    const QSize client = area->viewport()->size();
    int top = client.height();
    for (const QPoint& p : iconPositions(windows(area, true), client))
        top = std::min(top, p.y());
    return client.height() - top;
}

void cascade(QMdiArea* area) {
    QList<QMdiSubWindow*> list = windows(area, false);
    if (list.isEmpty())
        return;
    // The active window goes last: it stays on top, at the last step, and
    // every other title bar shows above and to the left of it.
    if (QMdiSubWindow* current = area->currentSubWindow(); current && list.removeOne(current))
        list.append(current);
    const QSize client = area->viewport()->size() - QSize(0, iconRowHeight(area));
    const int step = titleBarHeight(list.first());
    // Each window as large as leaves room for the steps of the others, but
    // never smaller than a sensible share of the area.
    const int n = int(list.size());
    const int w = std::max(client.width() - step * (n - 1), client.width() * 2 / 3);
    const int h = std::max(client.height() - step * (n - 1), client.height() * 2 / 3);
    int x = 0, y = 0;
    for (QMdiSubWindow* sub : list) {
        restoreFromMaximised(sub);
        if (x + w > client.width() || y + h > client.height())
            x = y = 0;  // start again at the corner rather than leave the area
        sub->setGeometry(x, y, std::min(w, client.width()), std::min(h, client.height()));
        sub->raise();
        x += step;
        y += step;
    }
}

// Tiles in one column (horizontal: one above the other) or one row
// (vertical: side by side). The remainder pixels go to the last windows so
// that the tiles fill the area exactly.
void tile(QMdiArea* area, bool horizontal) {
    const QList<QMdiSubWindow*> list = windows(area, false);
    if (list.isEmpty())
        return;
    const QSize client = area->viewport()->size();
    // Leave the bottom row free for minimised windows when there are any.
    const int reserved = iconRowHeight(area);
    const int total = horizontal ? client.height() - reserved : client.width();
    const int n = int(list.size());
    int offset = 0;
    for (int i = 0; i < n; ++i) {
        const int size = total / n + (i >= n - total % n ? 1 : 0);
        QMdiSubWindow* sub = list[i];
        restoreFromMaximised(sub);
        if (horizontal)
            sub->setGeometry(0, offset, client.width(), size);
        else
            sub->setGeometry(offset, 0, size, client.height() - reserved);
        offset += size;
    }
}

void arrangeIcons(QMdiArea* area) {
    const QList<QMdiSubWindow*> icons = windows(area, true);
    const QList<QPoint> positions = iconPositions(icons, area->viewport()->size());
    for (qsizetype i = 0; i < icons.size(); ++i)
        icons[i]->move(positions[i]);
}

}  // namespace

void arrange(QMdiArea* area, int code) {
    switch (code) {
    case vbCascade: cascade(area); break;
    case vbTileHorizontal: tile(area, true); break;
    case vbTileVertical: tile(area, false); break;
    case vbArrangeIcons: arrangeIcons(area); break;
    default: raise(err::InvalidArgument, QStringLiteral("无效的过程调用或参数"));
    }
}

}  // namespace platform
