// Fields in RTF: the result shown, the instruction kept and written back;
// hyperlinks shown as links and opened by Ctrl+click only.
#include "support/boxtestutil.h"

#include "rtf/reader.h"

#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// Takes the place of the desktop's handler for a few schemes while alive.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    explicit UrlRecorder(QStringList& urls) : urls_(urls) {
        for (const char* scheme : kSchemes)
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "record");
    }
    ~UrlRecorder() override {
        for (const char* scheme : kSchemes)
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    Q_INVOKABLE void record(const QUrl& url) { urls_ << url.toString(); }

private:
    static constexpr const char* kSchemes[] = {"file", "javascript", "smb", "https", "mailto"};
    QStringList& urls_;
};

namespace {

struct Runs : rtf::Sink {
    void text(std::string_view t, const rtf::CharFormat& f) override { runs.emplace_back(std::string(t), f); }
    void paragraphEnd(const rtf::ParaFormat&) override {}
    std::vector<std::pair<std::string, rtf::CharFormat>> runs;
};

class Fields : public testing::Test {
protected:
    void SetUp() override {
        QFile f(dir.filePath(QStringLiteral("f.rtf")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1 go {\\field{\\*\\fldinst HYPERLINK \"https://example.com/\"}{\\fldrslt here}} page "
                "{\\field{\\*\\fldinst PAGE}{\\fldrslt {\\b 7}}} end\\par}");
        f.close();
        box.LoadFile(f.fileName());
        saved = std::exchange(RichTextBox::linkOpener(), [this](const QUrl& url) { opened << url.toString(); });
    }
    void TearDown() override { RichTextBox::linkOpener() = saved; }

    QTemporaryDir dir;
    RichTextBox box;
    QStringList opened;
    std::function<void(const QUrl&)> saved;
};

TEST_F(Fields, ResultsAreShownAndHyperlinksLookLikeLinks) {
    EXPECT_EQ(box.document()->toPlainText(), QStringLiteral("go here page 7 end"));
    const QTextCharFormat link = boxtest::charAt(box, 3);
    EXPECT_TRUE(link.isAnchor());
    EXPECT_EQ(link.anchorHref(), QStringLiteral("https://example.com/"));
    EXPECT_TRUE(link.fontUnderline());
    EXPECT_EQ(link.foreground().color(), QGuiApplication::palette().color(QPalette::Link));
    EXPECT_FALSE(boxtest::charAt(box, 13).isAnchor());  // the PAGE field's result
}

TEST_F(Fields, SavedFileHoldsTheFieldsAsTheyWereRead) {
    box.SaveFile(dir.filePath(QStringLiteral("out.rtf")), 0);
    QFile f(dir.filePath(QStringLiteral("out.rtf")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    Runs got;
    rtf::read(f.readAll().toStdString(), got);
    std::vector<std::tuple<std::string, std::string, bool, bool>> want{
        {"go ", "", false, false},
        {"here", "HYPERLINK \"https://example.com/\"", false, false},  // the link look is not written
        {" page ", "", false, false},
        {"7", "PAGE", true, false},
        {" end", "", false, false}};
    ASSERT_EQ(got.runs.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& [text, f] = got.runs[i];
        EXPECT_EQ(text, std::get<0>(want[i]));
        EXPECT_EQ(f.field, std::get<1>(want[i]));
        EXPECT_EQ(f.bold, std::get<2>(want[i]));
        EXPECT_EQ(f.underline || f.hasColor, std::get<3>(want[i]));
    }
}

TEST_F(Fields, OnlyCtrlClickOpensAHyperlink) {
    box.resize(400, 200);
    box.show();
    QTextCursor c(box.document());
    c.setPosition(5);
    const QPoint onLink = box.cursorRect(c).center();
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, onLink);
    EXPECT_TRUE(opened.isEmpty());
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::ControlModifier, onLink);
    EXPECT_EQ(opened, QStringList{QStringLiteral("https://example.com/")});
}

TEST(FieldsLinkOpener, OnlyWebAndMailAddressesAreHandedOn) {
    // The default opener is what Ctrl+click calls: a link to a program or a
    // file must not reach the desktop's handler. Given a handler that would
    // record instead of starting anything...
    QStringList handled;
    UrlRecorder recorder(handled);
    for (const char* url :
         {"file:///usr/bin/xterm", "javascript:alert(1)", "smb://host/x", "https://a.example/", "mailto:a@example.com"})
        RichTextBox::linkOpener()(QUrl(QString::fromLatin1(url)));
    EXPECT_EQ(handled, (QStringList{QStringLiteral("https://a.example/"), QStringLiteral("mailto:a@example.com")}));
}

}  // namespace

#include "fields_test.moc"
