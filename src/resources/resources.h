#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's built-in pictures. Every picture is a 16-colour XPM whose
// background is painted in the mask colour; the functions here return it with
// that colour made transparent.
namespace resources {

// Background colour of every built-in picture, drawn transparent.
inline const QColor kMaskColour{192, 192, 192};

// Registers the compiled-in images. The functions below do it themselves;
// call it before loading ":/images/<key>" directly with QPixmap.
void registerImages();

// The 16 x 16 toolbar picture with the given key ("New", "Open", "Save",
// "Print", "Cut", "Copy", "Paste", "Bold", "Italic", "Underline",
// "AlignLeft", "AlignCentre", "AlignRight"), mask colour transparent.
// An unknown key gives a null pixmap and a warning on the debug output.
QPixmap toolbarPicture(const QString& key);

// The 32 x 32 program icon, for window icons and the About box.
QIcon appIcon();

// The 32 x 32 logo of the splash screen and the About box.
QPixmap logo();

}  // namespace resources
