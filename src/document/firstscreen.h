// Shaping a loaded document's first screen before it is shown.
//
// Putting a large document in the control lays out its first screen at once,
// and on cold glyph caches most of that time goes into shaping: loading
// glyphs to learn their advances. Those caches belong to the GUI thread, so
// the loading thread cannot fill them. Shaping survives the relayout the
// control does when it takes the document (Qt clears a block's lines, not its
// shaped text), so the GUI thread shapes the first screen beforehand, a few
// lines per turn of the event loop, and the window keeps answering meanwhile.
#pragma once

class QTextDocument;

namespace document {

// Shapes the blocks a view `width` by `height` pixels shows first (and the
// next few screens' worth), in slices
// of a few milliseconds, running this thread's event loop between them
// (user input waits, as during the load). The document must belong to this
// thread and not yet have a layout.
void shapeFirstScreen(QTextDocument& document, int width, int height);

}  // namespace document
