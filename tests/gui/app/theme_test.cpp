// In a dark desktop theme every text of the About box and the splash stays
// readable: screenshots under a dark Fusion palette, with the contrast of
// each label's text against its own background measured.
#include "info/frmabout.h"
#include "info/frmsplash.h"
#include "support/case_name.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

namespace {

// Relative luminance and contrast ratio as the web's accessibility
// guidelines define them (4.5 is their minimum for normal text).
double luminance(QRgb rgb) {
    auto channel = [](int v) {
        const double c = v / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) + 0.0722 * channel(qBlue(rgb));
}
double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The label's background is its commonest colour; its text the pixel that
// stands out most from it.
double textContrast(const QImage& shot, const QRect& area) {
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[shot.pixel(x, y) | 0xFF000000u];
    QRgb background = 0;
    int most = -1;
    for (const auto& [rgb, n] : counts)
        if (n > most)
            most = n, background = rgb;
    double best = 1;
    for (const auto& [rgb, n] : counts)
        best = std::max(best, contrast(rgb, background));
    return best;
}

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    p.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::Text, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::Button, QColor(0x3c, 0x3c, 0x3c));
    p.setColor(QPalette::ButtonText, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::Light, QColor(0x5a, 0x5a, 0x5a));
    p.setColor(QPalette::Midlight, QColor(0x48, 0x48, 0x48));
    p.setColor(QPalette::Mid, QColor(0x24, 0x24, 0x24));
    p.setColor(QPalette::Dark, QColor(0x15, 0x15, 0x15));
    p.setColor(QPalette::Shadow, QColor(0x00, 0x00, 0x00));
    return p;
}

struct WindowCase {
    const char* name;
    std::function<QWidget*()> make;
};

class DarkTheme : public ::testing::TestWithParam<WindowCase> {
protected:
    void SetUp() override {
        oldStyle_ = QApplication::style()->name();
        oldPalette_ = QApplication::palette();
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    void TearDown() override {
        QApplication::setStyle(QStyleFactory::create(oldStyle_));
        QApplication::setPalette(oldPalette_);
    }

private:
    QString oldStyle_;
    QPalette oldPalette_;
};

TEST_P(DarkTheme, EveryTextIsReadableAgainstItsBackground) {
    QPointer<QWidget> window = GetParam().make();
    window->show();
    const QImage shot = window->grab().toImage();
    shot.save(QStringLiteral("dark-%1.png").arg(QString::fromLatin1(GetParam().name)));
    int checked = 0;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->isVisible())
            continue;
        SCOPED_TRACE(label->objectName().toStdString());
        const QRect area(label->mapTo(window, QPoint(0, 0)), label->size());
        EXPECT_GE(textContrast(shot, area & shot.rect()), 4.5);
        ++checked;
    }
    EXPECT_GE(checked, 3);
    delete window.data();
}

INSTANTIATE_TEST_SUITE_P(Windows, DarkTheme,
                         ::testing::Values(WindowCase{"About", [] { return new frmAbout(nullptr); }},
                                           WindowCase{"Splash", [] { return new frmSplash; }}),
                         CaseName());

}  // namespace
