#include "app/Form1.h"
#include "app/Startup.h"
#include "platform/Desktop.h"
#include "platform/ProgramEnd.h"
#include "platform/WorkFolder.h"
#include "protocol/Automation.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

// For the start-up benchmark: print the wall clock at the first show.
void reportFirstShow() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf(
        "first_show_ns %lld\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagekiln"));

    // Taken over before the working folder exists, so that no ending signal can leave it.
    TerminationRequests endRequests;
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
    services.openHomePage = OpenInBrowser;
    // Closing the window ends the program at once, also in the middle of a conversion or a
    // scan. The private working folder goes at that moment, so the converter scripts working
    // in it, and their Ghostscript, are ended with it. Every image reaches its final name
    // whole (written aside, then renamed), so none is left half written.
    services.onClose = [&workFolder]() { EndProgramNow(workFolder.get(), 0); };

    Form1 window(std::move(services));
    // A logout (SIGTERM), Ctrl+C or a closed terminal ends the program as closing the window
    // does, with the status of the signal. The signals that came before this point wait in
    // the queue of the event loop, which has not run yet.
    QObject::connect(&endRequests, &TerminationRequests::received, &endRequests,
                     [&workFolder, &window](int signalNumber) {
                         window.keepSettings();
                         EndProgramNow(workFolder.get(), ExitStatusForSignal(signalNumber));
                     });
    if (qEnvironmentVariableIsSet("PAGEKILN_STARTUP_PROBE"))
        QObject::connect(
            &window, &Form1::firstShown, &window,
            [&workFolder]() {
                reportFirstShow();
                EndProgramNow(workFolder.get(), 0);
            },
            Qt::QueuedConnection);
    window.load();
    // Files handed over by a file manager ("Open with", the desktop entry's %F) join the
    // list as dropped files do; nothing else on the command line is read.
    window.fileList().append(filesFromArguments(QCoreApplication::arguments().mid(1)));
    window.show();
    return app.exec();
}
