// Pictures in RTF: shown at the file's size, drawn where Qt can, written
// back with the bytes they were read with, carried by SelRTF.
#include "support/boxtestutil.h"

#include "document/pictures.h"
#include "rtf/reader.h"
#include "platform/twips.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <cmath>

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage redImage() {
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

// The same 4x2 red picture as a DIB: the BMP file without its file header.
QByteArray dib() {
    return encoded(redImage(), "BMP").mid(14);
}

struct PictureCase {
    const char* name;
    QByteArray controls;
    QByteArray data;
    double width, height;  // the size shown: twips, or pixels where inPixels
    bool drawn;            // false: the placeholder
    bool inPixels = false;
};
std::ostream& operator<<(std::ostream& os, const PictureCase& c) {
    return os << c.name;
}

// The picture's format and the image shown for it, from the only object
// character of the document.
struct Shown {
    QTextImageFormat format;
    QImage image;
};
Shown shownPicture(const QTextDocument& doc) {
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                const QTextImageFormat f = it.fragment().charFormat().toImageFormat();
                return {f, doc.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>()};
            }
    return {};
}

class Pictures : public testing::TestWithParam<PictureCase> {};

TEST_P(Pictures, ShowAtTheirSizeAndAreWrittenBackUnchanged) {
    const PictureCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.rtf"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1 before{\\*\\shppict{\\pict" + c.controls + "\n" + c.data.toHex() + "}}after\\par}");
    }
    RichTextBox box;
    box.LoadFile(path);

    // Then the picture sits between the two words, at the size given.
    EXPECT_EQ(box.document()->toPlainText(), QStringLiteral("before\uFFFCafter"));
    const Shown shown = shownPicture(*box.document());
    EXPECT_NEAR(shown.format.width(), c.inPixels ? c.width : c.width / platform::twipsPerPixelX(), 0.01);
    EXPECT_NEAR(shown.format.height(), c.inPixels ? c.height : c.height / platform::twipsPerPixelY(), 0.01);
    ASSERT_FALSE(shown.image.isNull());
    const QColor pixel = shown.image.pixelColor(1, 1);  // red, JPEG's loss aside
    EXPECT_EQ(pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60, c.drawn) << pixel.name().toStdString();

    // And saved, the file holds the same control words and bytes.
    box.SaveFile(path, 0);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    struct Sink : rtf::Sink {
        void text(std::string_view, const rtf::CharFormat&) override {}
        void paragraphEnd(const rtf::ParaFormat&) override {}
        void picture(const rtf::Picture& p, const rtf::CharFormat&) override { pictures.push_back(p); }
        std::vector<rtf::Picture> pictures;
    } saved;
    rtf::read(f.readAll().toStdString(), saved);
    ASSERT_EQ(saved.pictures.size(), 1u);
    EXPECT_EQ(saved.pictures[0].controls, c.controls.toStdString());
    EXPECT_EQ(saved.pictures[0].data, c.data.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Pictures,
    testing::Values(PictureCase{"PngAtGoalSizeScaled",
                                "\\picw4\\pich2\\picwgoal600\\pichgoal300\\picscalex50\\picscaley200\\pngblip",
                                encoded(redImage(), "PNG"), 300, 600, true},
                    PictureCase{"JpegWithoutGoalAtItsPixels", "\\picw4\\pich2\\jpegblip", encoded(redImage(), "JPEG"),
                                4, 2, true, true},
                    PictureCase{"DeviceIndependentBitmap", "\\picw4\\pich2\\picwgoal60\\pichgoal30\\dibitmap0", dib(),
                                60, 30, true},
                    PictureCase{"MetafileIsAPlaceholderOfItsSize",
                                "\\wmetafile8\\picw2540\\pich1270\\picwgoal1440\\pichgoal720",
                                QByteArray("\x01\x00\x09\x00", 4), 1440, 720, false},
                    PictureCase{"DamagedPngIsAPlaceholder", "\\picwgoal200\\pichgoal100\\pngblip",
                                QByteArray("\x89PNG"), 200, 100, false}),
    [](const testing::TestParamInfo<PictureCase>& i) { return std::string(i.param.name); });

TEST(PicturesSelRtf, APictureCopiedWithSelRtfArrivesWhole) {
    RichTextBox from, to;
    const QByteArray png = encoded(redImage(), "PNG");
    from.setSelRTF(QString::fromLatin1("{\\rtf1 a{\\pict\\picwgoal600\\pichgoal300\\pngblip " + png.toHex() + "}b}"));
    boxtest::select(from, 0, 3);
    to.setSelRTF(from.SelRTF());

    const Shown shown = shownPicture(*to.document());
    EXPECT_EQ(to.document()->toPlainText(), QStringLiteral("a\uFFFCb"));
    EXPECT_EQ(shown.image.pixelColor(0, 0), QColor(Qt::red));
    ASSERT_TRUE(document::pictureOf(shown.format).has_value());
    EXPECT_EQ(document::pictureOf(shown.format)->data, png.toStdString());
    // On the clipboard the picture travels in the RTF; the plain text other
    // programs paste has no object character in its place.
    const std::unique_ptr<QMimeData> copied = from.selectionMimeData();
    EXPECT_EQ(copied->text(), QStringLiteral("ab"));
    EXPECT_TRUE(copied->data(QStringLiteral("text/rtf")).contains("\\pngblip"));
}

}  // namespace
