#include "platform/toolbar.h"

#include "platform/errors.h"
#include "platform/twips.h"

#include <QAccessible>
#include <QToolButton>

namespace platform {

void Button::setValue(int value) {
    value_ = value ? 1 : 0;
    if (toolButton_) {
        const QSignalBlocker block(toolButton_);
        toolButton_->setChecked(value_ == 1);
    }
}

Button& Buttons::operator[](int index) const {
    if (index < 1 || index > Count())
        raise(err::InvalidArgument, QStringLiteral("索引超出范围"));
    return *items_[std::size_t(index - 1)];
}

Button& Buttons::operator[](const QString& key) const {
    Button* b = find(key);
    if (!b)
        raise(err::InvalidArgument, QStringLiteral("找不到关键字为“%1”的按钮").arg(key));
    return *b;
}

Button* Buttons::find(const QString& key) const {
    return byKey_.value(key, nullptr);
}

Toolbar::Toolbar(const std::vector<ButtonDefinition>& table, const PictureSource& pictures, QWidget* parent)
    : QToolBar(parent) {
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(16, 16));
    int index = 0;
    for (const ButtonDefinition& def : table) {
        auto* button = new Button(this, ++index, def);
        buttons_.items_.emplace_back(button);
        if (!def.key.isEmpty())
            buttons_.byKey_.insert(def.key, button);
        switch (def.style) {
        case tbrSeparator: addSeparator(); break;
        case tbrPlaceholder: {
            auto* slot = new QWidget(this);
            slot->setFixedWidth(twipsToPixelsX(def.widthTwips));
            slot->setAccessibleName(def.description);
            addWidget(slot);
            button->widget_ = slot;
            break;
        }
        default: {
            auto* tb = new QToolButton(this);
            tb->setAutoRaise(true);
            tb->setIcon(QIcon(pictures(def.imageKey)));
            tb->setToolTip(def.toolTipText);
            tb->setStatusTip(def.description);
            tb->setAccessibleName(def.toolTipText);
            tb->setAccessibleDescription(def.description);
            tb->setCheckable(def.style == tbrCheck || def.style == tbrButtonGroup);
            tb->setFixedSize(twipsToPixelsX(609 * 1440 / 2540), twipsToPixelsY(582 * 1440 / 2540));
            // The toolbar keeps the pressed state itself (Value); Qt's own
            // toggle on click is undone here and replaced by ours.
            connect(tb, &QToolButton::clicked, this, [this, button](bool) { click(*button); });
            addWidget(tb);
            button->widget_ = tb;
            button->toolButton_ = tb;
            break;
        }
        }
    }
}

void Toolbar::applyOwnStateChange(Button& button) {
    if (button.Style() == tbrCheck) {
        button.setValue(button.Value() ? 0 : 1);
    } else if (button.Style() == tbrButtonGroup) {
        // The group is the run of adjacent group members around the button,
        // bounded by any button of another style.
        const int i = button.Index();
        int first = i, last = i;
        while (first > 1 && buttons_[first - 1].Style() == tbrButtonGroup)
            --first;
        while (last < buttons_.Count() && buttons_[last + 1].Style() == tbrButtonGroup)
            ++last;
        for (int k = first; k <= last; ++k)
            buttons_[k].setValue(k == i ? 1 : 0);
    } else {
        button.setValue(button.Value());  // push buttons never stay pressed
    }
}

void Toolbar::click(Button& button) {
    if (button.Style() == tbrSeparator || button.Style() == tbrPlaceholder)
        return;
    applyOwnStateChange(button);
    emit ButtonClick(&button);
}

}  // namespace platform
