#include "convert/BatchFileConversion.h"
#include "convert/ConversionContext.h"
#include "convert/Procedures.h"
#include "support/RecordingUserInterface.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The conversion steps around the script, driven with stand-in scripts so every path through
// them can be forced: what the script sees, how images are numbered and copied, what happens
// when the script, the copy or the output folder fails, and what is left behind.
namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

// The output folder text as the window would give it, counting how often it is read.
class CountingView : public ConversionView {
public:
    explicit CountingView(QString folder) : m_folder(std::move(folder)) {}
    QString outputFolderText() const override {
        ++reads;
        return m_folder;
    }
    QString resolutionText() const override { return {}; }
    QString pagesText() const override { return {}; }
    mutable int reads = 0;

private:
    QString m_folder;
};

struct Fixture {
    QTemporaryDir root;
    QString program = root.filePath("program");
    QString work = root.filePath("work");
    QString out = root.filePath("out") + '/';
    QString input = root.filePath("in");
    RecordingUserInterface ui;

    Fixture() {
        QDir dir(root.path());
        for (const char* name : {"program/ps", "program/bw", "work", "out", "in"})
            dir.mkpath(name);
    }
    void script(const QString& relative, const QByteArray& body) const {
        const QString path = program + '/' + relative;
        writeFile(path, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    }
    QString pdf(const QString& name, const QByteArray& content = "%PDF-1.4 fake\n") const {
        const QString path = input + '/' + name;
        writeFile(path, content);
        return path;
    }
    bool workIsEmpty() const {
        for (const char* sub : {"ps", "bw"}) {
            const QDir dir(work + '/' + sub);
            if (dir.exists() &&
                !dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
                return false;
        }
        return true;
    }
    QStringList outputs() const { return QDir(out).entryList(QDir::Files, QDir::Name); }
};

// Writes page files current1.jpg .. currentN.jpg, each holding its page number.
QByteArray pagesScript(int count) {
    return QByteArray("i=1\nwhile [ $i -le ") + QByteArray::number(count) +
           " ]; do echo page$i > current$i.jpg; i=$((i+1)); done\nrm -f current.pdf\n";
}

} // namespace

class TestScriptConversion : public QObject {
    Q_OBJECT
private slots:
    void imagesNumberedInListingOrder();
    void scriptSeesOnlyTheWorkingCopy();
    void leftOverWorkingCopyIsReplaced();
    void scriptThatKeepsTheCopyEndsTheWait();
    void missingScriptCountsAsNotConverted();
    void unreadablePdfCountsAsNotConverted();
    void missingOutputFolderCountsAsNotConverted();
    void noWorkFolderCountsAsNotConverted();
    void failedCopyIsNotReportedAsSuccess();
    void existingOutputIsReplaced();
    void folderWithoutSeparatorGetsOne();
    void outputFolderReadForEveryImage();
    void busyPointerThenDefault();
    void blackWhiteCollectsImageFolder();
};

void TestScriptConversion::imagesNumberedInListingOrder() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(12));
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("Invoice.pdf"), context);
    QVERIFY(context.jpgCreated);
    QCOMPARE(f.outputs().size(), 12);
    for (int page = 1; page <= 12; ++page)
        QCOMPARE(readAll(f.out + QStringLiteral("Invoice-%1.jpg").arg(page, 3, 10, QChar('0'))),
                 "page" + QByteArray::number(page) + "\n");
    QVERIFY(f.workIsEmpty());
}

void TestScriptConversion::scriptSeesOnlyTheWorkingCopy() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", "seen=$(echo \"$#\"; ls -A; cat current.pdf)\n"
                               "printf '%s\\n' \"$seen\" > current1.jpg\n"
                               "rm -f current.pdf\n");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("-n $x `y` \"q\"\nz.pdf", "%PDF body\n"), context);
    QVERIFY(context.jpgCreated);
    QCOMPARE(readAll(f.out + "-n $x `y` \"q\"\nz-001.jpg"), "0\ncurrent.pdf\n%PDF body\n");
}

void TestScriptConversion::leftOverWorkingCopyIsReplaced() {
    Fixture f;
    QDir().mkpath(f.work + "/ps");
    writeFile(f.work + "/ps/current.pdf", "stale");
    f.script("ps/pdf2tiff.sh", "cp current.pdf current1.jpg\nrm -f current.pdf\n");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("a.pdf", "fresh"), context);
    QCOMPARE(readAll(f.out + "a-001.jpg"), "fresh");
}

void TestScriptConversion::scriptThatKeepsTheCopyEndsTheWait() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", "exit 0\n");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    context.jpgCreated = true;
    QCOMPARE(convertThroughScript(f.pdf("a.pdf"), context, ghostscriptMethod()).reason,
             ReasonCode::Damaged);
    QVERIFY(!context.jpgCreated);
    QVERIFY(f.workIsEmpty());
}

void TestScriptConversion::missingScriptCountsAsNotConverted() {
    Fixture f;
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    context.jpgCreated = true;
    QCOMPARE(convertThroughScript(f.pdf("a.pdf"), context, ghostscriptMethod()).reason,
             ReasonCode::ComponentMissing);
    QVERIFY(!context.jpgCreated);
    QVERIFY(f.workIsEmpty());
}

void TestScriptConversion::unreadablePdfCountsAsNotConverted() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    context.jpgCreated = true;
    QCOMPARE(convertThroughScript(f.input + "/absent.pdf", context, ghostscriptMethod()).reason,
             ReasonCode::Missing);
    QVERIFY(!context.jpgCreated);
    QCOMPARE(convertThroughScript(f.input, context, ghostscriptMethod()).reason,
             ReasonCode::NotRegular);
    QVERIFY(f.outputs().isEmpty());
}

void TestScriptConversion::missingOutputFolderCountsAsNotConverted() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(2));
    FixedConversionView view(f.root.filePath("nowhere/"), {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    QCOMPARE(convertThroughScript(f.pdf("a.pdf"), context, ghostscriptMethod()).reason,
             ReasonCode::NoOutputFolder);
    QVERIFY(!context.jpgCreated);
    QVERIFY(f.workIsEmpty());
}

void TestScriptConversion::noWorkFolderCountsAsNotConverted() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, QString()};
    context.jpgCreated = true;
    QCOMPARE(convertThroughScript(f.pdf("a.pdf"), context, ghostscriptMethod()).reason,
             ReasonCode::Internal);
    QVERIFY(!context.jpgCreated);
    QVERIFY(f.outputs().isEmpty());
    QCOMPARE(f.ui.applicationPointers.last(), MousePointer::Default);
}

void TestScriptConversion::failedCopyIsNotReportedAsSuccess() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    QVERIFY(QDir(f.out).mkdir("a-001.jpg")); // a folder blocks the only image
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("a.pdf"), context);
    QVERIFY(!context.jpgCreated);
    QVERIFY(f.workIsEmpty());
}

void TestScriptConversion::existingOutputIsReplaced() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    writeFile(f.out + "a-001.jpg", "old image, much longer than the new one");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("a.1.pdf"), context);
    QVERIFY(context.jpgCreated);
    QCOMPARE(readAll(f.out + "a-001.jpg"), "page1\n");
    QCOMPARE(f.outputs(), QStringList{"a-001.jpg"}); // no temporary left behind
}

void TestScriptConversion::folderWithoutSeparatorGetsOne() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    FixedConversionView view(f.root.filePath("out"), {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("a.pdf"), context);
    QCOMPARE(f.outputs(), QStringList{"a-001.jpg"});
    QVERIFY(!QFile::exists(f.root.filePath("outa-001.jpg")));

    FixedConversionView prefixView(f.out + "run7_", {}, {});
    ConversionContext prefixed{prefixView, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("b.pdf"), prefixed);
    QVERIFY(QFile::exists(f.out + "run7_b-001.jpg"));
}

void TestScriptConversion::outputFolderReadForEveryImage() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(3));
    CountingView view(f.out);
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("a.pdf"), context);
    QCOMPARE(view.reads, 3);
}

void TestScriptConversion::busyPointerThenDefault() {
    Fixture f;
    f.script("ps/pdf2tiff.sh", pagesScript(1));
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertWithGhostscript(f.pdf("a.pdf"), context);
    QVERIFY(f.ui.applicationPointers.size() >= 2);
    QCOMPARE(f.ui.applicationPointers.first(), MousePointer::Hourglass);
    QCOMPARE(f.ui.applicationPointers.last(), MousePointer::Default);
    QCOMPARE(f.ui.applicationPointers.count(MousePointer::Default), 1);
    QVERIFY(f.ui.messages.isEmpty());
}

void TestScriptConversion::blackWhiteCollectsImageFolder() {
    Fixture f;
    f.script("bw/convert.sh", "mkdir current\necho one > current/x.jpg\necho two > "
                              "current/y.JPG\necho note > current/notes.txt\nrm current.pdf\n");
    FixedConversionView view(f.out, {}, {});
    ConversionContext context{view, f.ui, f.program, f.work};
    ConvertBlackWhite(f.pdf("Scan 7.pdf"), context);
    QVERIFY(context.jpgCreated);
    QCOMPARE(f.outputs(), (QStringList{"Scan 7-001.jpg", "Scan 7-002.jpg"}));
    QCOMPARE(readAll(f.out + "Scan 7-002.jpg"), "two\n");
    QVERIFY(!QFileInfo::exists(f.work + "/bw/current"));
    QVERIFY(f.workIsEmpty());
}

QTEST_GUILESS_MAIN(TestScriptConversion)
#include "tst_scriptconversion.moc"
