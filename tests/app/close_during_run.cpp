// The window as the program builds it, ended in the middle of a run: converts the first PDF
// given, then, once the second one is under way (Ghostscript has rendered a few of its pages in
// the working folder, or the export component has written a few to the output folder), closes
// the window, or sends the program SIGTERM as a logout does. Prints the component servers
// running at that moment, and ends through the program's own end (status 0 when closed, 143
// after SIGTERM); status 3 means the run ended before that.
//
//   close_during_run close|sigterm ghostscript|acrobat OUTPUT_FOLDER FIRST_PDF SECOND_PDF
#include "app/ActionButton.h"
#include "app/Form1.h"
#include "platform/ProgramEnd.h"
#include "platform/WorkFolder.h"
#include "protocol/Automation.h"
#include "support/RecordingUserInterface.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

// Pages of the second PDF made so far: in the working folder, or in the output folder.
int pagesUnderWay(const QString& method, const QString& workFolder, const QString& output,
                  const QString& secondPdf) {
    const QDir pages(method == "acrobat" ? output : workFolder + QStringLiteral("/ps"));
    const QString pattern = method == "acrobat" ? QFileInfo(secondPdf).baseName() + "_Page_*.jpg"
                                                : QStringLiteral("current*.jpg");
    return static_cast<int>(pages.entryList({pattern}).size());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 6)
        return 2;
    const QString how = arguments.at(1);
    const QString method = arguments.at(2);
    const QString output = arguments.at(3);
    TerminationRequests endRequests;
    WorkFolder workFolder;
    RecordingUserInterface ui;
    AutomationHost automation(TestPaths::programFolder());
    Form1Services services;
    services.ui = &ui;
    services.programFolder = TestPaths::programFolder();
    services.workFolder = workFolder.path();
    services.automation = &automation;
    services.random = []() { return 0.5; };
    services.openHomePage = [](const QString&) {};
    services.onClose = [&workFolder]() { EndProgramNow(&workFolder, 0); };
    Form1 form(std::move(services));
    QObject::connect(&endRequests, &TerminationRequests::received, &form,
                     [&workFolder](int signalNumber) {
                         EndProgramNow(&workFolder, ExitStatusForSignal(signalNumber));
                     });
    form.load();
    (method == "acrobat" ? form.controls().Option1 : form.controls().Option2)->click();
    form.controls().txtLocalFolder->setText(output + QLatin1Char('/'));
    form.fileList().append(arguments.mid(4));

    // Polls for pages of the second PDF: a condition, not a guess at how long the first takes.
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, &form, [&]() {
        const int made = pagesUnderWay(method, workFolder.path(), output, arguments.at(5));
        if (made < 2)
            return;
        watch.stop();
        QStringList servers;
        for (const qint64 pid : automation.serverProcessIds())
            servers.append(QString::number(pid));
        std::printf("ending with %d pages made; servers: %s\n", made,
                    qPrintable(servers.join(QLatin1Char(' '))));
        if (how == "sigterm")
            std::raise(SIGTERM);
        else
            form.close();
    });
    QObject::connect(&form.driver(), &BatchDriver::entryStarted, &watch, [&watch](int position) {
        if (position == 2)
            watch.start();
    });
    QTimer::singleShot(0, &form, [&]() {
        form.controls().Check2->click();
        std::printf("run ended: %s\n", qPrintable(ui.messageTexts().join(QLatin1Char('|'))));
        QCoreApplication::exit(3);
    });
    return app.exec();
}
