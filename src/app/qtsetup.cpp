#include "app/qtsetup.h"

#include "platform/fontnames.h"
#include "platform/version.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

bool displayAvailable() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void installChineseFontSubstitutions() {
    // Song/Ming faces for the serif names, Hei for the sans names; the SC
    // faces so that Chinese glyphs never come out in their Japanese forms.
    const QStringList song = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                              QStringLiteral("Noto Sans CJK SC")};
    const QStringList hei = {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
                             QStringLiteral("Noto Serif CJK SC")};
    const QStringList kai = {QStringLiteral("AR PL UKai CN"), QStringLiteral("Noto Serif CJK SC")};
    for (const char* name : {"宋体", "新宋体", "SimSun", "NSimSun", "仿宋", "仿宋_GB2312", "FangSong", "MingLiU",
                             "PMingLiU", "細明體", "新細明體"})
        QFont::insertSubstitutions(QString::fromUtf8(name), song);
    for (const char* name : {"黑体", "SimHei", "微软雅黑", "Microsoft YaHei", "等线", "DengXian", "幼圆", "YouYuan"})
        QFont::insertSubstitutions(QString::fromUtf8(name), hei);
    for (const char* name : {"楷体", "楷体_GB2312", "KaiTi", "标楷体", "DFKai-SB"})
        QFont::insertSubstitutions(QString::fromUtf8(name), kai);
}

void setUpForChineseUser(QApplication& application) {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China));
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_zh_CN", "qt_zh_CN"}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(QString::fromLatin1(name), dir))
            QApplication::installTranslator(translator);
        else
            delete translator;
    }
    installChineseFontSubstitutions();
    platform::registerChineseFontNames();
    // Docks, task bars and Wayland compositors find the launcher, and with
    // it the icon, by this name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(platform::kDesktopId));
    // Text typed into a new document is 宋体 9 pt; the interface itself keeps
    // the desktop's font but with a Chinese fallback.
    QFont ui = QApplication::font();
    ui.setFamilies({ui.family(), QStringLiteral("Noto Sans CJK SC")});
    QApplication::setFont(ui);
}

}  // namespace app
