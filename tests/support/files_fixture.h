// Answers the common dialog through its seam, and the main window running
// with a scratch folder, for the file, print and format command tests.
#pragma once

#include "document/frmdocument.h"
#include "document/richtextbox.h"
#include "platform/commondialog.h"
#include "platform/toolbar.h"
#include "support/app_fixture.h"
#include "support/boxtestutil.h"
#include "support/test_env.h"

#include <QFile>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QToolButton>

#include <csignal>
#include <deque>
#include <vector>

#include <sys/resource.h>

using testenv::fileBytes;
using testenv::writeFile;

// A process file-size limit makes every write past it fail, as a full disk
// does, whoever runs the test (root included).
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

// A font family that is installed, so that a font dialog can show it.
inline QString installedFamily() {
    const QString preferred = QStringLiteral("Noto Serif CJK SC");
    return QFontDatabase::hasFamily(preferred) ? preferred : QFontDatabase::families().value(0);
}

// Queued answers for the dialogs a test expects, and every request shown.
// A dialog with no answer queued fails the test and is cancelled.
class DialogScript {
public:
    DialogScript() {
        platform::CommonDialog::setTestHook([this](const platform::DialogRequest& r) {
            requests.push_back(r);
            if (answers.empty()) {
                ADD_FAILURE() << "a dialog was shown that the test did not expect";
                return platform::DialogAnswer::cancel();
            }
            platform::DialogAnswer a = answers.front();
            answers.pop_front();
            return a;
        });
    }
    ~DialogScript() { platform::CommonDialog::setTestHook(nullptr); }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    void then(const platform::DialogAnswer& a) { answers.push_back(a); }
    const platform::DialogRequest& last() const { return requests.back(); }

    std::vector<platform::DialogRequest> requests;
    std::deque<platform::DialogAnswer> answers;
};

class FilesTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        start();
    }
    void TearDown() override {
        AppTest::TearDown();
        EXPECT_TRUE(script.answers.empty()) << "answers left over: a dialog did not show";
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    frmDocument* active() const { return MainForm->ActiveForm(); }
    RichTextBox& box() const { return *MainForm->ActiveForm()->rtfText; }
    QString caption() const { return active() ? active()->Caption() : QString(); }

    // Replaces the active document's text.
    void setText(const QString& text) const {
        box().selectAll();
        box().setSelText(text);
    }
    void select(int from, int to) const { boxtest::select(box(), from, to); }

    static bool isRtf(const QByteArray& content) { return content.startsWith("{\\rtf"); }

    // Runs a command as the menu item does: errors reach the top-level report.
    static void menu(QAction* item) { item->trigger(); }
    // The toolbar button with this key, clicked.
    static void toolbar(const QString& key) {
        static_cast<QToolButton*>(MainForm->tbToolBar->buttons()[key].widget())->click();
    }

    QTemporaryDir dir;
    DialogScript script;
};
