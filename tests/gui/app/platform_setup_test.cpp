// What the program sets up for a Chinese-speaking user, and its pictures.
#include "app/qtsetup.h"
#include "platform/fontnames.h"
#include "resources/resources.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QRawFont>
#include <QImage>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(ChineseSetup, QtsOwnTextsAreSimplifiedChineseWhateverLang) {
    qputenv("LANG", "C");
    app::setUpForChineseUser(*qApp);
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
}

struct FontCase {
    const char* name;
    const char* resolvesTo;
};

class ChineseFontNames : public ::testing::TestWithParam<FontCase> {};

TEST_P(ChineseFontNames, ResolveToAnInstalledChineseFontOfTheSameStyle) {
    if (!QFontDatabase::families().contains(QStringLiteral("Noto Serif CJK SC")))
        GTEST_SKIP() << "fonts-noto-cjk is not installed";
    app::installChineseFontSubstitutions();
    QFont font(QString::fromUtf8(GetParam().name));
    // The document keeps the name as written; the screen draws the face
    // that stands for it.
    EXPECT_EQ(font.family(), QString::fromUtf8(GetParam().name));
    EXPECT_EQ(QRawFont::fromFont(font).familyName().toLower(), QString::fromUtf8(GetParam().resolvesTo).toLower());
}

INSTANTIATE_TEST_SUITE_P(Names, ChineseFontNames,
                         ::testing::Values(FontCase{"宋体", "Noto Serif CJK SC"},
                                           FontCase{"SimSun", "Noto Serif CJK SC"},
                                           FontCase{"仿宋", "Noto Serif CJK SC"}, FontCase{"黑体", "Noto Sans CJK SC"},
                                           FontCase{"微软雅黑", "Noto Sans CJK SC"}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(ChineseFontFamilies, AreInstalledNamesWithTheStylesOfTheirFaceAndTheFontDialogKeepsThem) {
    if (!QFontDatabase::families().contains(QStringLiteral("Noto Serif CJK SC")))
        GTEST_SKIP() << "fonts-noto-cjk is not installed";
    platform::registerChineseFontNames();
    platform::registerChineseFontNames();  // twice is harmless
    for (const QString& name : platform::chineseFontNames()) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(QFontDatabase::families().contains(name));
        EXPECT_GE(QFontDatabase::styles(name).size(), 2);  // at least regular and bold
    }
    QStringList song = QFontDatabase::styles(QStringLiteral("宋体"));
    QStringList face = QFontDatabase::styles(QStringLiteral("Noto Serif CJK SC"));
    song.sort();
    face.sort();
    EXPECT_EQ(song, face);
    const QFont bold = QFontDatabase::font(QStringLiteral("宋体"), QStringLiteral("Bold"), 12);
    EXPECT_EQ(bold.family(), QStringLiteral("宋体"));
    EXPECT_EQ(QRawFont::fromFont(bold).weight(), QFont::Bold);
    // Qt's own font dialog, as the user sees it: 宋体 in its list, and
    // choosing it gives 宋体.
    QFontDialog dialog;
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    dialog.setCurrentFont(QFont(QStringLiteral("宋体"), 20));
    EXPECT_EQ(dialog.currentFont().family(), QStringLiteral("宋体"));
    EXPECT_EQ(dialog.currentFont().pointSize(), 20);
}

namespace {
const char* const kToolbarKeys[] = {"New",  "Open",   "Save",      "Print",     "Cut",         "Copy",      "Paste",
                                    "Bold", "Italic", "Underline", "AlignLeft", "AlignCentre", "AlignRight"};
}

TEST(Pictures, EveryToolbarPictureIs16By16WithTheMaskColourTransparent) {
    for (const char* key : kToolbarKeys) {
        SCOPED_TRACE(key);
        const QImage image = resources::toolbarPicture(QString::fromLatin1(key)).toImage();
        ASSERT_EQ(image.size(), QSize(16, 16));
        int transparent = 0, opaque = 0, silver = 0;
        QSet<QRgb> colours;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) == 0) {
                    ++transparent;
                    continue;
                }
                ++opaque;
                colours.insert(p);
                if ((p & 0xFFFFFF) == 0xC0C0C0)
                    ++silver;
            }
        EXPECT_GT(transparent, 0);
        EXPECT_GE(opaque, 16);          // a picture, not a blank
        EXPECT_EQ(silver, 0);           // the mask colour never shows
        EXPECT_LE(colours.size(), 16);  // 16 colours at most
    }
}

TEST(Pictures, IconAndLogoAre32By32AndUnknownKeysGiveNothing) {
    EXPECT_EQ(resources::logo().size(), QSize(32, 32));
    EXPECT_FALSE(resources::appIcon().isNull());
    EXPECT_EQ(resources::appIcon().pixmap(32, 32).size(), QSize(32, 32));
    EXPECT_TRUE(resources::toolbarPicture(QStringLiteral("NoSuchPicture")).isNull());
}

TEST(Pictures, AreDistinct) {
    QSet<QByteArray> seen;
    for (const char* key : kToolbarKeys) {
        const QImage image = resources::toolbarPicture(QString::fromLatin1(key)).toImage();
        seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes())));
    }
    EXPECT_EQ(seen.size(), int(std::size(kToolbarKeys)));
}
