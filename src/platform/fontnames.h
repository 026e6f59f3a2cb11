// The four font names a Chinese user looks for (宋体, 黑体, 楷体, 仿宋) as
// font families of their own, drawn with the installed face each stands
// for. Qt's font lists, its font dialog and the font-name box then offer
// them by these names, and a document keeps the name the user chose.
#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The names, in the order of the table below them.
QStringList chineseFontNames();

// Registers each name that no installed family already has, with every
// style of the face the name resolves to through the font substitutions
// (installed first). Registered again whenever Qt rebuilds its font
// database. Needs the application object; names with no installed face to
// stand for are left out.
void registerChineseFontNames();

}  // namespace platform
