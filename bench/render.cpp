// Converts pages of one PDF with ConvertWithGflAx, the way the window does (component server
// included), and prints the wall time in seconds.
// Usage: render PROGRAM_FOLDER PDF PAGES RESOLUTION OUTPUT_FOLDER
#include "convert/ConversionContext.h"
#include "convert/Procedures.h"
#include "platform/UserInterface.h"
#include "protocol/Automation.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

class SilentUserInterface : public UserInterface {
public:
    void showMessage(const QString& text, MessageStyle, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    QStringList askOpenFileNames(const QString&, const QString&) override { return {}; }
    QString askFolder(const QString&) override { return {}; }
    void setApplicationPointer(MousePointer) override {}
    QuestionAnswer askQuestion(const QString&, const QString&) override {
        return QuestionAnswer::No;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        std::fprintf(stderr, "usage: render PROGRAM_FOLDER PDF PAGES RESOLUTION OUTPUT_FOLDER\n");
        return 2;
    }
    SilentUserInterface ui;
    FixedConversionView view(args[5], args[4], args[3]);
    AutomationHost host(args[1]);
    ConversionContext context{view, ui, args[1], {}, &host};
    QElapsedTimer clock;
    clock.start();
    const bool written = ConvertWithGflAx(args[2], context).jpgCreated();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("%.3f\n", seconds);
    return written ? 0 : 1;
}
