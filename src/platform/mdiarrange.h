// The document area's arrange operation, with the four arrangement codes.
// Qt's document area can cascade and tile in a grid, but has neither
// horizontal nor vertical tiling nor an arrangement of minimised windows,
// so all four are done here alike.
#pragma once

class QMdiArea;

namespace platform {

enum ArrangeCode { vbCascade = 0, vbTileHorizontal = 1, vbTileVertical = 2, vbArrangeIcons = 3 };

// Lays out the area's windows with the given code. Cascade and the tilings
// take the windows that are not minimised, in the order of the window list;
// arrange icons lines the minimised ones up along the bottom. With no window,
// nothing happens. A code outside 0 to 3 raises an error.
void arrange(QMdiArea* area, int code);

}  // namespace platform
