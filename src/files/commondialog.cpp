#include "files/commondialog.h"

#include <QWidget>

namespace files {

CommonDialog::CommonDialog(QWidget* owner) : QObject(owner), owner_(owner) {}
CommonDialog::~CommonDialog() = default;

void CommonDialog::ShowOpen() {}
void CommonDialog::ShowSave() {}
void CommonDialog::ShowPrinter() {}
void CommonDialog::ShowFont() {}

}  // namespace files
