#include "platform/printerhandles.h"

#include "platform/errors.h"

#include <QPrinter>

#include <map>

namespace platform {

namespace {

struct Table {
    int next = 1;
    std::map<int, std::shared_ptr<QPrinter>> printers;
};

Table& table() {
    static Table t;
    return t;
}

}  // namespace

int registerPrinter(std::shared_ptr<QPrinter> printer) {
    Table& t = table();
    const int handle = t.next++;
    t.printers.emplace(handle, std::move(printer));
    return handle;
}

void releasePrinter(int hDC) {
    table().printers.erase(hDC);
}

QPrinter* printerForHandle(int hDC) {
    const auto& printers = table().printers;
    const auto it = printers.find(hDC);
    return it == printers.end() ? nullptr : it->second.get();
}

QPrinter& printerOrRaise(int hDC) {
    QPrinter* printer = printerForHandle(hDC);
    if (!printer)
        platform::raise(platform::err::InvalidArgument,
                        QStringLiteral("设备句柄 %1 无效：它不代表任何打印机。").arg(hDC));
    return *printer;
}

}  // namespace platform
