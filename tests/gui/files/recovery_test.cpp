// Crash recovery: copies of changed documents, what becomes of them, the
// offer at the next start, and the faults a copy can meet.
#include "support/files_fixture.h"

#include "files/recovery.h"
#include "support/case_name.h"

#include <QDir>
#include <QUrl>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::DialogAnswer;
using platform::vbCancel;
using platform::vbNo;
using platform::vbYes;

namespace {

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

class Recovery : public FilesTest {
protected:
    void TearDown() override {
        FilesTest::TearDown();
        QDir(files::recoveryRoot()).removeRecursively();
    }
    files::Recovery& recovery() const { return *MainForm->recovery; }
    QString copyOf(int id) const {
        return QDir(recovery().instanceFolder()).filePath(QStringLiteral("doc-%1.rtf").arg(id));
    }

    // A folder as an instance that was killed leaves it: nobody holds the lock.
    static QString abandonedFolder(const QString& name, const QList<QPair<QByteArray, QByteArray>>& files) {
        const QString folder = files::recoveryRoot() + QLatin1Char('/') + name;
        QDir().mkpath(folder);
        writeFile(folder + QStringLiteral("/lock"), "");
        writeFile(folder + QStringLiteral("/pid"), "999999\n");
        for (const auto& [file, content] : files)
            writeFile(folder + QLatin1Char('/') + QString::fromUtf8(file), content);
        return folder;
    }
    // Restarts the program as after a crash: the offer comes once the main
    // window shows.
    void restart() {
        shutDown();
        start();
        QApplication::processEvents();
    }
};

TEST_F(Recovery, AChangedDocumentIsCopiedAsPrivateRtfAfterTypingPauses) {
    QTest::keyClicks(&box(), QStringLiteral("first"));
    box().selectAll();
    box().setSelBold(true);
    // Not yet: the copy waits for the pause.
    EXPECT_TRUE(recovery().instanceFolder().isEmpty());
    QTest::qWait(files::Recovery::IdleDelayMs + 300);
    recovery().waitForWrites();

    const QString folder = recovery().instanceFolder();
    ASSERT_FALSE(folder.isEmpty());
    const QByteArray copy = fileBytes(copyOf(1));
    EXPECT_TRUE(isRtf(copy));
    EXPECT_TRUE(copy.contains("\\b") && copy.contains("first")) << copy.toStdString();
    EXPECT_EQ(fileBytes(folder + QStringLiteral("/pid")).trimmed().toLongLong(), QCoreApplication::applicationPid());
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(files::recoveryRoot()), 0700u);
    for (const QString& f : QDir(folder).entryList(QDir::Files))
        EXPECT_EQ(modeOf(QDir(folder).filePath(f)), 0600u) << f.toStdString();
}

TEST_F(Recovery, TheCopyGoesWhenTheDocumentIsSavedUndoneDiscardedOrClosedAndTheFolderAtExit) {
    // Three documents with copies.
    for (int i = 0; i < 3; ++i) {
        if (i)
            MainForm->CreateDocumentWindow();
        QTest::keyClicks(&box(), QStringLiteral("text"));
    }
    recovery().flush();
    const QString folder = recovery().instanceFolder();
    ASSERT_TRUE(QFile::exists(copyOf(1)) && QFile::exists(copyOf(2)) && QFile::exists(copyOf(3)));

    // Saved.
    script.then(DialogAnswer::file(path("a.rtf")));
    menu(MainForm->mnuFileSave);
    // Undone to the state it was saved in.
    MainForm->mdiClient->activatePreviousSubWindow();
    while (box().document()->isModified())
        box().undo();
    // Closed with 不保存.
    MainForm->mdiClient->activatePreviousSubWindow();
    answers.push_back(vbNo);
    MainForm->mdiClient->currentSubWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    recovery().waitForWrites();
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("doc-*")}, QDir::Files), QStringList{});

    QTest::keyClicks(&box(), QStringLiteral("again"));
    recovery().flush();
    answers.push_back(vbNo);
    MainForm->mnuFileExit->trigger();
    EXPECT_FALSE(QDir(folder).exists());
}

TEST_F(Recovery, TheNextStartOffersTheCopiesOfAnInstanceThatIsGoneAndRestoresThem) {
    // Given an instance killed with a changed file and an untitled document,
    // and one write it did not finish.
    writeFile(path("notes.md"), "old\n");
    const QByteArray named = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 named {\\b bold}\\par}";
    const QString dead = abandonedFolder(
        QStringLiteral("4242-1"), {{"doc-1.rtf", named},
                                   {"doc-1.meta", "path=" + QUrl::toPercentEncoding(path("notes.md")) + "\ntype=1\n"},
                                   {"doc-2.rtf", "{\\rtf1 untitled\\par}"},
                                   {"doc-3.rtf.tmp", "{\\rtf1 half"}});
    answers.push_back(vbYes);
    restart();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Scrivlet 上次没有正常退出。是否恢复 2 个未保存的文档？"));
    EXPECT_EQ(messages[0].buttons, (QStringList{"恢复(&R)", "放弃(&D)"}));
    const QList<frmDocument*> docs = MainForm->documents();
    ASSERT_EQ(docs.size(), 3);
    EXPECT_EQ(docs[1]->Caption(), path("notes.md"));
    EXPECT_EQ(docs[1]->rtfText->toPlainText(), QStringLiteral("named bold"));
    EXPECT_EQ(docs[2]->Caption(), QStringLiteral("文档 3"));
    EXPECT_EQ(docs[2]->rtfText->toPlainText(), QStringLiteral("untitled"));
    EXPECT_TRUE(docs[1]->rtfText->document()->isModified() && docs[2]->rtfText->document()->isModified());
    // Copied again by this instance, then the old folder went.
    recovery().waitForWrites();
    EXPECT_FALSE(QDir(dead).exists());
    EXPECT_TRUE(fileBytes(copyOf(2)).contains("named"));

    // The file keeps its format: 是 to dropping the bold, then plain text.
    MainForm->mdiClient->setActiveSubWindow(MainForm->mdiClient->subWindowList()[1]);
    answers.push_back(vbYes);
    menu(MainForm->mnuFileSave);
    EXPECT_EQ(fileBytes(path("notes.md")), QByteArray("named bold"));
}

TEST_F(Recovery, GivingUpDeletesTheCopiesAndNoAnswerKeepsThem) {
    const QString dead = abandonedFolder(QStringLiteral("4242-2"), {{"doc-1.rtf", "{\\rtf1 x\\par}"}});
    restart();  // the question closed without an answer
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_TRUE(QFile::exists(dead + QStringLiteral("/doc-1.rtf")));

    answers.push_back(vbNo);
    restart();
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_FALSE(QDir(dead).exists());
    EXPECT_EQ(MainForm->documents().size(), 1);
}

TEST_F(Recovery, TheCopiesOfARunningInstanceAreNeverOffered) {
    const QString live = abandonedFolder(QStringLiteral("4242-3"), {{"doc-1.rtf", "{\\rtf1 x\\par}"}});
    const int fd = ::open(QFile::encodeName(live + QStringLiteral("/lock")).constData(), O_RDWR);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // held, as the running instance holds it
    restart();
    ::close(fd);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(QFile::exists(live + QStringLiteral("/doc-1.rtf")));
}

// Faults: the state folder cannot hold the copy. Typing goes on, and the
// user is told once, without a box that waits.
struct Fault {
    const char* name;
    // Sets the fault up under the state folder; what it returns undoes it.
    std::function<std::shared_ptr<void>(const QString& state)> make;
};

class RecoveryFault : public Recovery, public ::testing::WithParamInterface<Fault> {};

TEST_P(RecoveryFault, TypingGoesOnAndTheUserIsToldOnce) {
    const QByteArray before = qgetenv("XDG_STATE_HOME");
    const QString state = dir.filePath(QStringLiteral("state"));
    QDir().mkpath(state);
    qputenv("XDG_STATE_HOME", state.toUtf8());
    {
        const std::shared_ptr<void> fault = GetParam().make(state);
        for (int i = 0; i < 3; ++i) {
            QTest::keyClicks(&box(), QStringLiteral("more "));
            recovery().flush();
            QApplication::processEvents();
        }
    }
    qputenv("XDG_STATE_HOME", before);
    EXPECT_EQ(box().toPlainText(), QStringLiteral("more more more "));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(messages[0].modal);
    EXPECT_TRUE(messages[0].text.contains(state)) << messages[0].text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RecoveryFault,
    ::testing::Values(Fault{"StateFolderCannotBeMade",
                            [](const QString& state) {
                                writeFile(state + QStringLiteral("/scrivlet"), "a file where the folder goes");
                                return std::shared_ptr<void>();
                            }},
                      Fault{"FullDisk",
                            [](const QString&) { return std::shared_ptr<void>(std::make_shared<FullDisk>(16)); }}),
    CaseName());

}  // namespace
