#include "convert/BatchDriver.h"
#include "convert/ConversionContext.h"
#include "filelist/FileListModel.h"
#include "support/RecordingUserInterface.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

class FakeWindow : public DriverWindow {
public:
    std::optional<ConversionMethod> method = ConversionMethod::Ghostscript;
    QList<float> progress;
    QList<MousePointer> pointers;
    MousePointer pointer = MousePointer::Default;

    std::optional<ConversionMethod> selectedMethod() const override { return method; }
    void setProgress(float value) override { progress.append(value); }
    MousePointer windowPointer() const override { return pointer; }
    void setWindowPointer(MousePointer p) override {
        pointer = p;
        pointers.append(p);
    }
};

} // namespace

class TestBatchDriver : public QObject {
    Q_OBJECT
private slots:
    void emptyListSaysNoFiles();
    void threeEntriesProgressAndMessages();
    void failingEntryBetweenGoodOnes();
    void secondRunDuringRunIsIgnored();
    void noMethodSelectedCountsAsNotConverted();
    void addsDuringRunWaitForTheEnd();
    void doneShownBeforeTheReset();
    void pointerSequence();
    void methodChosenAfreshForEachEntry();
    void throwingProcedureCostsOneEntry();
    void realProceduresWithoutScripts();
};

void TestBatchDriver::emptyListSaysNoFiles() {
    FileListModel list;
    FakeWindow window;
    RecordingUserInterface ui;
    FixedConversionView view({}, {}, {});
    ConversionContext context{view, ui, {}, {}};
    BatchDriver driver(list, window, context);
    QCOMPARE(driver.run(), BatchDriver::Outcome::NoFiles);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.first(),
             (RecordingUserInterface::Message{"No files added.", MessageStyle::Plain, {}}));
    QCOMPARE(window.progress, QList<float>{0.0f});
    QCOMPARE(window.pointer, MousePointer::Default);
}

void TestBatchDriver::threeEntriesProgressAndMessages() {
    FileListModel list;
    list.append({"/in/a.pdf", "/in/b.pdf", "/in/c.pdf"});
    FakeWindow window;
    RecordingUserInterface ui;
    FixedConversionView view({}, {}, {});
    ConversionContext context{view, ui, {}, {}};
    QStringList converted;
    ProcedureTable table;
    table.ghostscript = [&](const QString& path, ConversionContext& c) {
        QCOMPARE(window.pointer, MousePointer::Hourglass);
        converted.append(path);
        c.jpgCreated = true;
    };
    BatchDriver driver(list, window, context, table);
    QCOMPARE(driver.run(), BatchDriver::Outcome::Completed);
    QCOMPARE(converted, list.entries());
    QCOMPARE(window.progress, (QList<float>{33.333332f, 66.666664f, 100.0f, 0.0f}));
    QCOMPARE(ui.messageTexts(), QStringList{"Done."});
    QCOMPARE(window.pointer, MousePointer::Default);
}

void TestBatchDriver::failingEntryBetweenGoodOnes() {
    FileListModel list;
    list.append({"/in/a.pdf", "/in/bad.pdf", "/in/c.pdf"});
    FakeWindow window;
    RecordingUserInterface ui;
    FixedConversionView view({}, {}, {});
    ConversionContext context{view, ui, {}, {}};
    ProcedureTable table;
    table.ghostscript = [](const QString& path, ConversionContext& c) {
        c.jpgCreated = !path.contains("bad");
    };
    BatchDriver driver(list, window, context, table);
    driver.run();
    QCOMPARE(ui.messageTexts(), (QStringList{"Could not create JPG on /in/bad.pdf", "Done."}));
    QCOMPARE(ui.messages.first().style, MessageStyle::Warning);
    QCOMPARE(ui.messages.first().caption, QString("Could not create JPG"));
}

void TestBatchDriver::secondRunDuringRunIsIgnored() {
    FileListModel list;
    list.append({"/in/a.pdf", "/in/b.pdf"});
    FakeWindow window;
    RecordingUserInterface ui;
    FixedConversionView view({}, {}, {});
    ConversionContext context{view, ui, {}, {}};
    ProcedureTable table;
    BatchDriver* driverPtr = nullptr;
    QList<BatchDriver::Outcome> nested;
    table.ghostscript = [&](const QString&, ConversionContext& c) {
        nested.append(driverPtr->run());
        QVERIFY(!list.remove(1));
        c.jpgCreated = true;
    };
    BatchDriver driver(list, window, context, table);
    driverPtr = &driver;
    QCOMPARE(driver.run(), BatchDriver::Outcome::Completed);
    QCOMPARE(nested, (QList<BatchDriver::Outcome>{BatchDriver::Outcome::Ignored,
                                                  BatchDriver::Outcome::Ignored}));
    QCOMPARE(list.count(), 2);
    QCOMPARE(ui.messageTexts(), QStringList{"Done."});
}

void TestBatchDriver::noMethodSelectedCountsAsNotConverted() {
    FileListModel list;
    list.append("/in/a.pdf");
    FakeWindow window;
    window.method.reset();
    RecordingUserInterface ui;
    FixedConversionView view({}, {}, {});
    ConversionContext context{view, ui, {}, {}};
    context.jpgCreated = true; // left over from an earlier run
    BatchDriver driver(list, window, context);
    driver.run();
    QCOMPARE(ui.messageTexts(), (QStringList{"Could not create JPG on /in/a.pdf", "Done."}));
}

void TestBatchDriver::addsDuringRunWaitForTheEnd() {
    FileListModel list;
    list.append("/in/a.pdf");
    FakeWindow window;
    RecordingUserInterface ui;
    FixedConversionView view({}, {}, {});
    ConversionContext context{view, ui, {}, {}};
    ProcedureTable table;
    int calls = 0;
    table.ghostscript = [&](const QString&, ConversionContext& c) {
        ++calls;
        list.append("/in/late.pdf");
        QCOMPARE(list.count(), 1);
        c.jpgCreated = true;
    };
    BatchDriver driver(list, window, context, table);
    driver.run();
    QCOMPARE(calls, 1);
    QCOMPARE(list.entries(), (QStringList{"/in/a.pdf", "/in/late.pdf"}));
}

// "Done." appears while the bar still shows the last value and the pointer is busy; the reset
// follows once the box is closed.
void TestBatchDriver::doneShownBeforeTheReset() {
    FileListModel list;
    list.append({"/in/a.pdf", "/in/b.pdf"});
    FakeWindow window;
    RecordingUserInterface ui;
    FixedConversionView view({}, {}, {});
    ConversionContext context{view, ui, {}, {}};
    ProcedureTable table;
    table.ghostscript = [](const QString&, ConversionContext& c) { c.jpgCreated = true; };
    QList<float> barAtMessage;
    QList<MousePointer> pointerAtMessage;
    QList<bool> frozenAtMessage;
    ui.onMessage = [&](const RecordingUserInterface::Message&) {
        barAtMessage.append(window.progress.last());
        pointerAtMessage.append(window.pointer);
        frozenAtMessage.append(list.isFrozen());
    };
    BatchDriver driver(list, window, context, table);
    driver.run();
    QCOMPARE(ui.messageTexts(), QStringList{"Done."});
    QCOMPARE(barAtMessage, QList<float>{100.0f});
    QCOMPARE(pointerAtMessage, QList<MousePointer>{MousePointer::Hourglass});
    QCOMPARE(window.progress.last(), 0.0f);
    QCOMPARE(window.pointer, MousePointer::Default);
    QVERIFY(!list.isFrozen());
}

void TestBatchDriver::pointerSequence() {
    FileListModel list;
    list.append({"/in/a.pdf", "/in/b.pdf", "/in/c.pdf"});
    FakeWindow window;
    RecordingUserInterface ui;
    FixedConversionView view({}, {}, {});
    ConversionContext context{view, ui, {}, {}};
    ProcedureTable table;
    table.ghostscript = [&](const QString&, ConversionContext& c) {
        window.setWindowPointer(MousePointer::Custom); // a hover inside a wait
        c.jpgCreated = true;
    };
    BatchDriver driver(list, window, context, table);
    driver.run();
    using P = MousePointer;
    QCOMPARE(window.pointers, (QList<P>{P::Hourglass, P::Hourglass, P::Custom, P::Hourglass,
                                        P::Custom, P::Hourglass, P::Custom, P::Default}));
}

void TestBatchDriver::methodChosenAfreshForEachEntry() {
    FileListModel list;
    list.append({"/in/a.pdf", "/in/b.pdf", "/in/c.pdf"});
    FakeWindow window;
    RecordingUserInterface ui;
    FixedConversionView view({}, {}, {});
    ConversionContext context{view, ui, {}, {}};
    QStringList calls;
    ProcedureTable table;
    table.ghostscript = [&](const QString& path, ConversionContext& c) {
        calls.append("gs " + path);
        window.method = ConversionMethod::BlackWhite; // an option click inside the wait
        c.jpgCreated = true;
    };
    table.blackWhite = [&](const QString& path, ConversionContext& c) {
        calls.append("bw " + path);
        window.method = ConversionMethod::GflAx;
        c.jpgCreated = true;
    };
    table.gflax = [&](const QString& path, ConversionContext& c) {
        calls.append("gflax " + path);
        c.jpgCreated = false;
    };
    BatchDriver driver(list, window, context, table);
    driver.run();
    QCOMPARE(calls, (QStringList{"gs /in/a.pdf", "bw /in/b.pdf", "gflax /in/c.pdf"}));
    QCOMPARE(ui.messageTexts(), (QStringList{"Could not create JPG on /in/c.pdf", "Done."}));
}

void TestBatchDriver::throwingProcedureCostsOneEntry() {
    FileListModel list;
    list.append({"/in/a.pdf", "/in/b.pdf"});
    FakeWindow window;
    RecordingUserInterface ui;
    FixedConversionView view({}, {}, {});
    ConversionContext context{view, ui, {}, {}};
    ProcedureTable table;
    table.ghostscript = [](const QString& path, ConversionContext& c) {
        c.jpgCreated = true;
        if (path.endsWith("a.pdf"))
            throw 42;
    };
    BatchDriver driver(list, window, context, table);
    QCOMPARE(driver.run(), BatchDriver::Outcome::Completed);
    QCOMPARE(ui.messageTexts(), (QStringList{"Could not create JPG on /in/a.pdf", "Done."}));
    QVERIFY(!driver.isRunning());
    QVERIFY(!list.isFrozen());
}

// The shipped procedures with no program folder to find their scripts in: every entry is
// reported, nothing crashes.
void TestBatchDriver::realProceduresWithoutScripts() {
    QTemporaryDir dir;
    FileListModel list;
    list.append({dir.filePath("a.pdf"), dir.filePath("b.pdf")});
    FakeWindow window;
    window.method = ConversionMethod::BlackWhite;
    RecordingUserInterface ui;
    FixedConversionView view(dir.path() + '/', {}, {});
    ConversionContext context{view, ui, dir.filePath("no-program"), dir.filePath("work")};
    BatchDriver driver(list, window, context);
    driver.run();
    QCOMPARE(ui.messageTexts(),
             (QStringList{"Could not create JPG on " + dir.filePath("a.pdf"),
                          "Could not create JPG on " + dir.filePath("b.pdf"), "Done."}));
}

QTEST_GUILESS_MAIN(TestBatchDriver)
#include "tst_batchdriver.moc"
