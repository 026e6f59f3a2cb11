// The status bar control: panels of plain text, the current date and the
// current time. The date and time panels keep themselves current.
#pragma once

#include <QStatusBar>
#include <QString>

#include <vector>

class QLabel;
class QTimer;

namespace platform {

enum PanelStyle { sbrText = 0, sbrDate = 6, sbrTime = 5 };
enum PanelAutoSize { sbrNoAutoSize = 0, sbrSpring = 1, sbrContents = 2 };

struct PanelDefinition {
    int style;
    QString text;
    int autoSize;
    int widthTwips;
    int minWidthTwips;
};

class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(const std::vector<PanelDefinition>& panels, QWidget* parent = nullptr);

    int panelCount() const { return int(labels_.size()); }
    // 1-based, as the program's panel table numbers them.
    QString panelText(int index) const;
    QLabel* panelLabel(int index) const { return labels_[std::size_t(index - 1)]; }

    // The texts the date and time panels show now: the system's short formats.
    static QString currentDateText();
    static QString currentTimeText();

private:
    void refresh();
    std::vector<PanelDefinition> defs_;
    std::vector<QLabel*> labels_;
    QTimer* timer_;
};

}  // namespace platform
