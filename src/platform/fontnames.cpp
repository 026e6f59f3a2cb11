#include "platform/fontnames.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QtGui/private/qfreetypefontdatabase_p.h>
#include <QtGui/qpa/qplatformfontdatabase.h>

#include <fontconfig/fontconfig.h>

namespace platform {

namespace {

const char* const Names[] = {"宋体", "黑体", "楷体", "仿宋"};

// Registers every style of the installed family `face` under `name`. The
// files come from fontconfig, which Qt's font database on Linux is built
// from, so each style is the very face Qt would draw `face` with.
void registerAs(const QString& name, const QString& face) {
    QSupportedWritingSystems systems;
    for (QFontDatabase::WritingSystem w : QFontDatabase::writingSystems(face))
        systems.setSupported(w);
    const bool fixedPitch = QFontDatabase::isFixedPitch(face);

    FcPattern* pattern = FcPatternCreate();
    const QByteArray faceUtf8 = face.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceUtf8.constData()));
    FcObjectSet* fields = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_STYLE, FC_WEIGHT, FC_SLANT, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, fields);
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcPattern* font = fonts->fonts[i];
        FcChar8* file = nullptr;
        FcChar8* style = nullptr;
        int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
            continue;
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        FcPatternGetString(font, FC_STYLE, 0, &style);
        FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(font, FC_SLANT, 0, &slant);
        const QFont::Style qtStyle = slant == FC_SLANT_ITALIC    ? QFont::StyleItalic
                                     : slant == FC_SLANT_OBLIQUE ? QFont::StyleOblique
                                                                 : QFont::StyleNormal;
        // Qt's weights are OpenType's (100 to 900); the handle is what Qt's
        // Linux font database hands its font engines, and it frees it.
        QPlatformFontDatabase::registerFont(
            name, QString::fromUtf8(reinterpret_cast<const char*>(style)), QString(),
            QFont::Weight(qBound(1, int(FcWeightToOpenTypeDouble(weight)), 1000)), qtStyle, QFont::Unstretched, true,
            true, 0, fixedPitch, systems, new FontFile{QFile::decodeName(reinterpret_cast<const char*>(file)), index});
    }
    if (fonts)
        FcFontSetDestroy(fonts);
    FcObjectSetDestroy(fields);
    FcPatternDestroy(pattern);
}

void registerAll() {
    const QStringList installed = QFontDatabase::families();  // also fills the database first
    for (const char* utf8 : Names) {
        const QString name = QString::fromUtf8(utf8);
        if (installed.contains(name))
            continue;
        // The face the substitutions pick for the name, when one is installed.
        const QString face = QFontInfo(QFont(name)).family();
        if (face != name && installed.contains(face))
            registerAs(name, face);
    }
}

}  // namespace

QStringList chineseFontNames() {
    QStringList names;
    for (const char* utf8 : Names)
        names << QString::fromUtf8(utf8);
    return names;
}

void registerChineseFontNames() {
    registerAll();
    // Qt empties its font database when fonts are added or removed, and
    // fills it again from the system when next asked.
    static bool connected = false;
    if (!connected) {
        connected = true;
        QObject::connect(qGuiApp, &QGuiApplication::fontDatabaseChanged, qGuiApp, [] { registerAll(); });
    }
}

}  // namespace platform
