#include "app/Form1.h"
#include "app/Startup.h"
#include "platform/Automation.h"
#include "platform/WorkFolder.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

// For the start-up benchmark: print the wall clock at the first show and leave.
void reportFirstShowAndExit() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf(
        "first_show_ns %lld\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stdout);
    ::_exit(0);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagekiln"));

    // Working folders of instances that were killed hold copies of users' PDFs: they go now.
    removeStaleWorkFolders();
    auto workFolder = std::make_unique<WorkFolder>();

    const QString programFolder = QCoreApplication::applicationDirPath();
    AutomationHost automation(programFolder);

    Form1Services services;
    services.programFolder = programFolder;
    services.automation = &automation;
    services.workFolder = workFolder->path();
    services.random = timeOfDayRandom();
    services.openHomePage = openInBrowser;
    // Closing the window ends the program at once, also in the middle of a conversion or a
    // scan: only our private working folder is cleaned up; programs we started keep running.
    services.onClose = [&workFolder]() {
        workFolder.reset();
        std::fflush(nullptr);
        ::_exit(0);
    };

    Form1 window(std::move(services));
    if (qEnvironmentVariableIsSet("PAGEKILN_STARTUP_PROBE"))
        QObject::connect(&window, &Form1::firstShown, &window, reportFirstShowAndExit,
                         Qt::QueuedConnection);
    window.load();
    // Files handed over by a file manager ("Open with", the desktop entry's %F) join the
    // list as dropped files do; nothing else on the command line is read.
    window.fileList().append(filesFromArguments(QCoreApplication::arguments().mid(1)));
    window.show();
    return app.exec();
}
