#include "convert/BatchDriver.h"
#include "convert/ConversionContext.h"
#include "filelist/FileListModel.h"
#include "support/FakeProcedure.h"
#include "support/RecordingUserInterface.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

// One driver run over a list, a fake window and a recording UI.
struct Rig {
    explicit Rig(const QStringList& entries) { list.append(entries); }

    BatchDriver::Outcome run(MethodTable table = {}) {
        driver = std::make_unique<BatchDriver>(list, window, context, std::move(table));
        return driver->run();
    }

    FileListModel list;
    FakeWindow window;
    RecordingUserInterface ui;
    FixedConversionView view{{}, {}, {}};
    ConversionContext context{view, ui, {}, {}};
    std::unique_ptr<BatchDriver> driver; // the last run's
};

void succeed(const QString&, ConversionContext& c) {
    c.jpgCreated = true;
}

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
    void stopRequests_data();
    void stopRequests();
};

void TestBatchDriver::emptyListSaysNoFiles() {
    Rig rig({});
    QCOMPARE(rig.run(), BatchDriver::Outcome::NoFiles);
    QCOMPARE(rig.ui.messages.size(), 1);
    QCOMPARE(rig.ui.messages.first(),
             (RecordingUserInterface::Message{"No files added.", MessageStyle::Plain, {}}));
    QCOMPARE(rig.window.progress, QList<float>{0.0f});
    QCOMPARE(rig.window.pointer, MousePointer::Default);
}

void TestBatchDriver::threeEntriesProgressAndMessages() {
    Rig rig({"/in/a.pdf", "/in/b.pdf", "/in/c.pdf"});
    QStringList converted;
    MethodTable table;
    table.replace(ConversionMethod::Ghostscript,
                  fakeProcedure([&](const QString& path, ConversionContext& c) {
                      QCOMPARE(rig.window.pointer, MousePointer::Hourglass);
                      converted.append(path);
                      c.jpgCreated = true;
                  }));
    QCOMPARE(rig.run(table), BatchDriver::Outcome::Completed);
    QCOMPARE(converted, rig.list.entries());
    QCOMPARE(rig.window.progress, (QList<float>{33.333332f, 66.666664f, 100.0f, 0.0f}));
    QCOMPARE(rig.ui.messageTexts(), QStringList{"Done."});
    QCOMPARE(rig.window.pointer, MousePointer::Default);
}

void TestBatchDriver::failingEntryBetweenGoodOnes() {
    Rig rig({"/in/a.pdf", "/in/bad.pdf", "/in/c.pdf"});
    MethodTable table;
    table.replace(ConversionMethod::Ghostscript,
                  fakeProcedure([](const QString& path, ConversionContext& c) {
                      c.jpgCreated = !path.contains("bad");
                  }));
    rig.run(table);
    QCOMPARE(rig.ui.messageTexts(), (QStringList{"Could not create JPG on /in/bad.pdf", "Done."}));
    QCOMPARE(rig.ui.messages.first().style, MessageStyle::Warning);
    QCOMPARE(rig.ui.messages.first().caption, QString("Could not create JPG"));
}

void TestBatchDriver::secondRunDuringRunIsIgnored() {
    Rig rig({"/in/a.pdf", "/in/b.pdf"});
    QList<BatchDriver::Outcome> nested;
    MethodTable table;
    table.replace(ConversionMethod::Ghostscript,
                  fakeProcedure([&](const QString&, ConversionContext& c) {
                      nested.append(rig.driver->run());
                      QVERIFY(!rig.list.remove(1));
                      c.jpgCreated = true;
                  }));
    QCOMPARE(rig.run(table), BatchDriver::Outcome::Completed);
    QCOMPARE(nested, (QList<BatchDriver::Outcome>{BatchDriver::Outcome::Ignored,
                                                  BatchDriver::Outcome::Ignored}));
    QCOMPARE(rig.list.count(), 2);
    QCOMPARE(rig.ui.messageTexts(), QStringList{"Done."});
}

void TestBatchDriver::noMethodSelectedCountsAsNotConverted() {
    Rig rig({"/in/a.pdf"});
    rig.window.method.reset();
    rig.context.jpgCreated = true; // left over from an earlier run
    rig.run();
    QCOMPARE(rig.ui.messageTexts(), (QStringList{"Could not create JPG on /in/a.pdf", "Done."}));
}

void TestBatchDriver::addsDuringRunWaitForTheEnd() {
    Rig rig({"/in/a.pdf"});
    int calls = 0;
    MethodTable table;
    table.replace(ConversionMethod::Ghostscript,
                  fakeProcedure([&](const QString&, ConversionContext& c) {
                      ++calls;
                      rig.list.append("/in/late.pdf");
                      QCOMPARE(rig.list.count(), 1);
                      c.jpgCreated = true;
                  }));
    rig.run(table);
    QCOMPARE(calls, 1);
    QCOMPARE(rig.list.entries(), (QStringList{"/in/a.pdf", "/in/late.pdf"}));
}

// "Done." appears while the bar still shows the last value and the pointer is busy; the reset
// follows once the box is closed.
void TestBatchDriver::doneShownBeforeTheReset() {
    Rig rig({"/in/a.pdf", "/in/b.pdf"});
    QList<float> barAtMessage;
    QList<MousePointer> pointerAtMessage;
    QList<bool> frozenAtMessage;
    rig.ui.onMessage = [&](const RecordingUserInterface::Message&) {
        barAtMessage.append(rig.window.progress.last());
        pointerAtMessage.append(rig.window.pointer);
        frozenAtMessage.append(rig.list.isFrozen());
    };
    MethodTable table;
    table.replace(ConversionMethod::Ghostscript, fakeProcedure(succeed));
    rig.run(table);
    QCOMPARE(rig.ui.messageTexts(), QStringList{"Done."});
    QCOMPARE(barAtMessage, QList<float>{100.0f});
    QCOMPARE(pointerAtMessage, QList<MousePointer>{MousePointer::Hourglass});
    QCOMPARE(rig.window.progress.last(), 0.0f);
    QCOMPARE(rig.window.pointer, MousePointer::Default);
    QVERIFY(!rig.list.isFrozen());
}

void TestBatchDriver::pointerSequence() {
    Rig rig({"/in/a.pdf", "/in/b.pdf", "/in/c.pdf"});
    MethodTable table;
    table.replace(ConversionMethod::Ghostscript,
                  fakeProcedure([&](const QString&, ConversionContext& c) {
                      rig.window.setWindowPointer(MousePointer::Custom); // a hover inside a wait
                      c.jpgCreated = true;
                  }));
    rig.run(table);
    using P = MousePointer;
    QCOMPARE(rig.window.pointers, (QList<P>{P::Hourglass, P::Hourglass, P::Custom, P::Hourglass,
                                            P::Custom, P::Hourglass, P::Custom, P::Default}));
}

void TestBatchDriver::methodChosenAfreshForEachEntry() {
    Rig rig({"/in/a.pdf", "/in/b.pdf", "/in/c.pdf"});
    QStringList calls;
    MethodTable table;
    table.replace(ConversionMethod::Ghostscript,
                  fakeProcedure([&](const QString& path, ConversionContext& c) {
                      calls.append("gs " + path);
                      rig.window.method =
                          ConversionMethod::BlackWhite; // an option click inside the wait
                      c.jpgCreated = true;
                  }));
    table.replace(ConversionMethod::BlackWhite,
                  fakeProcedure([&](const QString& path, ConversionContext& c) {
                      calls.append("bw " + path);
                      rig.window.method = ConversionMethod::GflAx;
                      c.jpgCreated = true;
                  }));
    table.replace(ConversionMethod::GflAx,
                  fakeProcedure([&](const QString& path, ConversionContext& c) {
                      calls.append("gflax " + path);
                      c.jpgCreated = false;
                  }));
    rig.run(table);
    QCOMPARE(calls, (QStringList{"gs /in/a.pdf", "bw /in/b.pdf", "gflax /in/c.pdf"}));
    QCOMPARE(rig.ui.messageTexts(), (QStringList{"Could not create JPG on /in/c.pdf", "Done."}));
}

void TestBatchDriver::throwingProcedureCostsOneEntry() {
    Rig rig({"/in/a.pdf", "/in/b.pdf"});
    MethodTable table;
    table.replace(ConversionMethod::Ghostscript,
                  fakeProcedure([](const QString& path, ConversionContext& c) {
                      c.jpgCreated = true;
                      if (path.endsWith("a.pdf"))
                          throw 42;
                  }));
    QCOMPARE(rig.run(table), BatchDriver::Outcome::Completed);
    QCOMPARE(rig.ui.messageTexts(), (QStringList{"Could not create JPG on /in/a.pdf", "Done."}));
    QVERIFY(!rig.driver->isRunning());
    QVERIFY(!rig.list.isFrozen());
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

// A stop asked for inside entry `stopAt` (0: before the run, which it does not touch). The
// failing entry b is warned about only when it was begun.
void TestBatchDriver::stopRequests_data() {
    QTest::addColumn<int>("stopAt");
    QTest::addColumn<BatchDriver::Outcome>("outcome");
    QTest::addColumn<QStringList>("messages");
    const QString warning = "Could not create JPG on /in/b.pdf";
    QTest::newRow("before the run")
        << 0 << BatchDriver::Outcome::Completed << QStringList{warning, "Done."};
    QTest::newRow("in the first entry")
        << 1 << BatchDriver::Outcome::Stopped << QStringList{"Done."};
    QTest::newRow("in the failing entry, still warned")
        << 2 << BatchDriver::Outcome::Stopped << QStringList{warning, "Done."};
    QTest::newRow("in the last entry")
        << 3 << BatchDriver::Outcome::Completed << QStringList{warning, "Done."};
}

void TestBatchDriver::stopRequests() {
    QFETCH(int, stopAt);
    QFETCH(BatchDriver::Outcome, outcome);
    QFETCH(QStringList, messages);
    Rig rig({"/in/a.pdf", "/in/b.pdf", "/in/c.pdf"});
    int position = 0;
    MethodTable table;
    table.replace(ConversionMethod::Ghostscript,
                  fakeProcedure([&](const QString& path, ConversionContext& c) {
                      if (++position == stopAt)
                          rig.driver->requestStop();
                      c.jpgCreated = path != "/in/b.pdf";
                  }));
    rig.driver = std::make_unique<BatchDriver>(rig.list, rig.window, rig.context, table);
    if (stopAt == 0)
        rig.driver->requestStop();
    QCOMPARE(rig.driver->run(), outcome);
    QCOMPARE(position, stopAt == 0 ? 3 : stopAt);
    QCOMPARE(rig.ui.messageTexts(), messages);
    QVERIFY(!rig.driver->stopRequested());
    QCOMPARE(rig.window.pointer, MousePointer::Default);
    QCOMPARE(rig.window.progress.last(), 0.0f);

    // The next run, with no stop asked for, takes every entry again.
    position = 0;
    stopAt = -1;
    QCOMPARE(rig.driver->run(), BatchDriver::Outcome::Completed);
    QCOMPARE(position, 3);
}

QTEST_GUILESS_MAIN(TestBatchDriver)
#include "tst_batchdriver.moc"
