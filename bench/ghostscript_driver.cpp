// Converts the PDFs named on the command line through the batch driver with the Ghostscript
// method, headless: no window, no message boxes (warnings are counted instead).
//   ghostscript_driver <program folder> <output folder> <pdf>...
#include "convert/BatchDriver.h"
#include "convert/ConversionContext.h"
#include "filelist/FileListModel.h"
#include "platform/UserInterface.h"
#include "platform/WorkFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

namespace {

class CountingInterface : public UserInterface {
public:
    int warnings = 0;
    void showMessage(const QString&, MessageStyle style, const QString&) override {
        warnings += style == MessageStyle::Warning;
    }
    QStringList askOpenFileNames(const QString&, const QString&) override { return {}; }
    QString askFolder(const QString&) override { return {}; }
    void setApplicationPointer(MousePointer) override {}
    QuestionAnswer askQuestion(const QString&, const QString&) override {
        return QuestionAnswer::No;
    }
};

class NoWindow : public DriverWindow {
public:
    std::optional<ConversionMethod> selectedMethod() const override {
        return ConversionMethod::Ghostscript;
    }
    void setProgress(float) override {}
    MousePointer windowPointer() const override { return MousePointer::Default; }
    void setWindowPointer(MousePointer) override {}
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr,
                     "usage: ghostscript_driver <program folder> <output folder> <pdf>...\n");
        return 2;
    }
    WorkFolder work;
    FileListModel list;
    list.append(arguments.mid(3));
    CountingInterface ui;
    NoWindow window;
    FixedConversionView view(arguments.at(2), {}, {});
    ConversionContext context{view, ui, arguments.at(1), work.path()};
    BatchDriver driver(list, window, context);
    QElapsedTimer clock;
    clock.start();
    driver.run();
    std::printf("converted %d warnings %d seconds %.3f\n", list.count() - ui.warnings, ui.warnings,
                clock.elapsed() / 1000.0);
    return ui.warnings == 0 ? 0 : 1;
}
