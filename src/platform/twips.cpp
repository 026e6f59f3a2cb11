#include "platform/twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace platform {

namespace {
double dpiX() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}
double dpiY() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}
}  // namespace

double twipsPerPixelX() {
    return 1440.0 / dpiX();
}
double twipsPerPixelY() {
    return 1440.0 / dpiY();
}
int twipsToPixelsX(double twips) {
    return int(std::lround(twips / twipsPerPixelX()));
}
int twipsToPixelsY(double twips) {
    return int(std::lround(twips / twipsPerPixelY()));
}
double pixelsToTwipsX(int pixels) {
    return pixels * twipsPerPixelX();
}
double pixelsToTwipsY(int pixels) {
    return pixels * twipsPerPixelY();
}

}  // namespace platform
