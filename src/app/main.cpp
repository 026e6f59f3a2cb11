// The program's entry point: the command line, Qt set up for a
// Simplified-Chinese user, then the start-up procedure, the files named on
// the command line, and the event loop until the main window is gone.
#include "app/commandline.h"
#include "app/frmmain.h"
#include "app/module1.h"
#include "app/qtsetup.h"
#include "platform/errors.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    // --help and --version answer without a display.
    const app::CommandLine line = app::parseCommandLine(argc, argv);
    if (line.action != app::CommandLine::Action::Run)
        return app::reportCommandLine(line, stdout, stderr);
    if (!app::displayAvailable()) {
        std::fputs("scrivlet: 需要图形显示环境（未设置 DISPLAY 或 WAYLAND_DISPLAY）。\n"
                   "scrivlet: a graphical display is needed (DISPLAY or WAYLAND_DISPLAY is not set).\n",
                   stderr);
        return 1;
    }
    QApplication application(argc, argv);
    app::setUpForChineseUser(application);
    platform::dispatch(Main);
    if (!MainForm)
        return 1;  // start-up failed; the report has been shown
    MainForm->OpenFiles(line.files, true);
    return application.exec();
}
