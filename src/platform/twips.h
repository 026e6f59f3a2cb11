// Twips (1/1440 inch) to pixels and back, from the screen's logical DPI:
// 15 twips per pixel at 96 DPI. The program keeps its numbers in twips and
// converts only here.
#pragma once

namespace platform {

double twipsPerPixelX();
double twipsPerPixelY();
int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);
double pixelsToTwipsX(int pixels);
double pixelsToTwipsY(int pixels);

}  // namespace platform
