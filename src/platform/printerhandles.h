// Printer device handles: the integer the print dialog leaves in hDC names a
// QPrinter that the dialog configured. A small table maps handles to
// printers; a handle is never reused within a run, so a stale one is
// recognised instead of naming some other printer.
#pragma once

#include <memory>

class QPrinter;

namespace platform {

// Registers the printer and returns its handle (1, 2, 3 ...).
int registerPrinter(std::shared_ptr<QPrinter> printer);

// Forgets the handle; the printer lives on while someone else holds it.
// Releasing 0 or an unknown handle does nothing.
void releasePrinter(int hDC);

// The printer the handle names, or nullptr when it names none.
QPrinter* printerForHandle(int hDC);

// The printer the handle names; raises InvalidArgument when it names none.
QPrinter& printerOrRaise(int hDC);

}  // namespace platform
