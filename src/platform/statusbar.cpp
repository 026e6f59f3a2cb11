#include "platform/statusbar.h"

#include "platform/twips.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTimer>

namespace platform {

StatusBar::StatusBar(const std::vector<PanelDefinition>& panels, QWidget* parent)
    : QStatusBar(parent), defs_(panels), timer_(new QTimer(this)) {
    setSizeGripEnabled(true);
    for (const PanelDefinition& def : defs_) {
        auto* label = new QLabel(def.text, this);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);  // inset
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setMinimumWidth(twipsToPixelsX(def.minWidthTwips));
        label->setContentsMargins(2, 0, 2, 0);
        if (def.style == sbrDate)
            label->setAccessibleName(QStringLiteral("日期"));
        else if (def.style == sbrTime)
            label->setAccessibleName(QStringLiteral("时间"));
        else
            label->setAccessibleName(def.text);
        // A spring panel takes the width the others leave.
        addPermanentWidget(label, def.autoSize == sbrSpring ? 1 : 0);
        labels_.push_back(label);
    }
    refresh();
    // The control's own clock: the next refresh a little after each minute
    // turns would do, but a steady second tick is simpler and costs nothing.
    connect(timer_, &QTimer::timeout, this, &StatusBar::refresh);
    timer_->start(1000);
}

QString StatusBar::panelText(int index) const {
    return labels_[std::size_t(index - 1)]->text();
}

namespace {
// The system's formats; where the system names no language (the C locale),
// the program's own Chinese locale.
QLocale formatLocale() {
    const QLocale system = QLocale::system();
    return system.language() == QLocale::C ? QLocale() : system;
}
}  // namespace

QString StatusBar::currentDateText() {
    return formatLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
}

QString StatusBar::currentTimeText() {
    return formatLocale().toString(QTime::currentTime(), QLocale::ShortFormat);
}

void StatusBar::refresh() {
    for (std::size_t i = 0; i < defs_.size(); ++i) {
        if (defs_[i].style == sbrDate)
            labels_[i]->setText(currentDateText());
        else if (defs_[i].style == sbrTime)
            labels_[i]->setText(currentTimeText());
    }
}

}  // namespace platform
