// The window as the program builds it, closed by the user in the middle of a run: converts
// the first PDF given, then, once Ghostscript has rendered a few pages of the second one in
// the working folder, closes the window. Ends through the program's own end (status 0);
// status 3 means the run ended before the window could be closed.
//
//   close_during_run OUTPUT_FOLDER FIRST_PDF SECOND_PDF
#include "app/ActionButton.h"
#include "app/Form1.h"
#include "platform/ProgramEnd.h"
#include "platform/WorkFolder.h"
#include "protocol/Automation.h"
#include "support/RecordingUserInterface.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4)
        return 2;
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
    form.load();
    form.controls().Option2->click();
    form.controls().txtLocalFolder->setText(arguments.at(1) + QLatin1Char('/'));
    form.fileList().append(arguments.mid(2));

    // Polls the working folder for Ghostscript's pages of the second PDF: a condition, not a
    // guess at how long the first one takes.
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, &form, [&]() {
        const QDir pages(workFolder.path() + QStringLiteral("/ps"));
        const int rendered =
            static_cast<int>(pages.entryList({QStringLiteral("current*.jpg")}).size());
        if (rendered < 2)
            return;
        std::printf("closing with %d pages in the working folder\n", rendered);
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
