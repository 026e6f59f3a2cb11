// The toolbar control: buttons found by key in a Buttons collection, each
// with Key, Style and Value; check buttons flip their own Value and a button
// group presses the clicked member before the click event reaches the
// program's handler.
#pragma once

#include <QHash>
#include <QPixmap>
#include <QString>
#include <QToolBar>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QToolButton;

namespace platform {

// Button styles, as the program's button table gives them.
enum ButtonStyle {
    tbrDefault = 0,      // plain push button
    tbrCheck = 1,        // stays pressed or unpressed
    tbrButtonGroup = 2,  // exactly one member of the group is pressed after a click
    tbrSeparator = 3,
    tbrPlaceholder = 4,  // an empty slot of a given width (twips) for another control
};

struct ButtonDefinition {
    int style;
    QString key;
    QString toolTipText;
    QString description;
    QString imageKey;
    int widthTwips;  // placeholders only
};

class Toolbar;

class Button {
public:
    const QString& Key() const { return def_.key; }
    int Style() const { return def_.style; }
    const QString& ToolTipText() const { return def_.toolTipText; }
    const QString& Description() const { return def_.description; }
    const QString& ImageKey() const { return def_.imageKey; }
    int Width() const { return def_.widthTwips; }
    int Index() const { return index_; }

    // 1 pressed, 0 unpressed.
    int Value() const { return value_; }
    void setValue(int value);

    // The widget that shows the button (a tool button, or the placeholder's
    // slot); nullptr for separators.
    QWidget* widget() const { return widget_; }

private:
    friend class Toolbar;
    Button(Toolbar* owner, int index, ButtonDefinition def) : owner_(owner), index_(index), def_(std::move(def)) {}
    Toolbar* owner_;
    int index_;
    ButtonDefinition def_;
    int value_ = 0;
    QWidget* widget_ = nullptr;
    QToolButton* toolButton_ = nullptr;
};

// The collection, indexed from 1 like the program's button table, or by key.
class Buttons {
public:
    int Count() const { return int(items_.size()); }
    Button& operator[](int index) const;           // 1-based; raises for a bad index
    Button& operator[](const QString& key) const;  // raises for an unknown key
    Button* find(const QString& key) const;

private:
    friend class Toolbar;
    std::vector<std::unique_ptr<Button>> items_;
    QHash<QString, Button*> byKey_;
};

class Toolbar : public QToolBar {
    Q_OBJECT
public:
    using PictureSource = std::function<QPixmap(const QString& imageKey)>;

    Toolbar(const std::vector<ButtonDefinition>& table, const PictureSource& pictures, QWidget* parent = nullptr);

    Buttons& buttons() { return buttons_; }
    const Buttons& buttons() const { return buttons_; }

    // Clicks a button as the user would: the toolbar's own state change
    // (check flip, group press) first, then ButtonClick.
    void click(Button& button);

signals:
    void ButtonClick(platform::Button* button);

private:
    void applyOwnStateChange(Button& button);
    Buttons buttons_;
};

}  // namespace platform
