// Headless driver for bench/scan.sh.
//   scan_driver make-tree ROOT   builds the benchmark tree below ROOT
//   scan_driver scan ROOT        runs "Add All PDF File(s) In Folder" on ROOT and prints
//                                `entries N scan_ms X max_stall_ms Y`
// During the scan a 1 ms timer records the longest gap between two turns of the event loop.
#include "filelist/AddFolder.h"
#include "filelist/FileListModel.h"
#include "platform/UserInterface.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int FolderCount = 2000;
constexpr int PdfCount = 10000;
constexpr int EntryCount = 100000;
constexpr int MaxDepth = 6;

class AnsweringUserInterface : public UserInterface {
public:
    explicit AnsweringUserInterface(QString folder) : m_folder(std::move(folder)) {}
    void showMessage(const QString&, MessageStyle, const QString&) override {}
    QStringList askOpenFileNames(const QString&, const QString&) override { return {}; }
    QString askFolder(const QString&) override { return m_folder; }
    void setApplicationPointer(MousePointer) override {}
    QuestionAnswer askQuestion(const QString&, const QString&) override {
        return QuestionAnswer::No;
    }

private:
    QString m_folder;
};

class PlainWindowPointer : public WindowPointer {
public:
    MousePointer windowPointer() const override { return m_pointer; }
    void setWindowPointer(MousePointer pointer) override { m_pointer = pointer; }

private:
    MousePointer m_pointer = MousePointer::Default;
};

struct Folder {
    QString path;
    int depth;
};

bool touch(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

// 2,000 folders (the root's descendants, at most 6 deep) and 98,000 files: 10,000 PDFs (some
// with an upper-case extension) among images and text files, spread by a random generator that
// always starts from the same number, so every run reads the same tree.
int makeTree(const QString& root) {
    QRandomGenerator random(20240607);
    QList<Folder> folders{{root, 0}};
    while (folders.size() <= FolderCount) {
        const Folder parent = folders.at(random.bounded(static_cast<int>(folders.size())));
        if (parent.depth >= MaxDepth)
            continue;
        const QString path = parent.path + QStringLiteral("/dir%1").arg(folders.size());
        if (!QDir().mkdir(path))
            return 1;
        folders.append({path, parent.depth + 1});
    }
    const int fileCount = EntryCount - FolderCount;
    for (int i = 0; i < fileCount; ++i) {
        const QString& folder = folders.at(random.bounded(static_cast<int>(folders.size()))).path;
        QString name;
        if (i < PdfCount)
            name = QStringLiteral("doc%1.%2").arg(i).arg(i % 10 == 0 ? "PDF" : "pdf");
        else
            name = QStringLiteral("file%1.%2").arg(i).arg(i % 2 == 0 ? "jpg" : "txt");
        if (!touch(folder + QLatin1Char('/') + name))
            return 1;
    }
    return 0;
}

int scan(const QString& root) {
    FileListModel list;
    AnsweringUserInterface ui(root);
    PlainWindowPointer window;

    QElapsedTimer clock;
    clock.start();
    qint64 lastTurn = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastTurn);
        lastTurn = now;
    });

    qint64 scanNs = 0;
    QTimer::singleShot(20, [&] {
        const qint64 start = clock.nsecsElapsed();
        longestGap = 0;
        lastTurn = start;
        AddAllPdfFilesInFolder(list, ui, window);
        const qint64 end = clock.nsecsElapsed();
        longestGap = std::max(longestGap, end - lastTurn);
        scanNs = end - start;
        QCoreApplication::quit();
    });
    ticker.start();
    QCoreApplication::exec();

    std::printf("entries %d scan_ms %.1f max_stall_ms %.1f\n", list.count(), scanNs / 1e6,
                longestGap / 1e6);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("make-tree"))
        return makeTree(args.at(2));
    if (args.size() == 3 && args.at(1) == QLatin1String("scan"))
        return scan(args.at(2));
    std::fprintf(stderr, "usage: scan_driver make-tree ROOT | scan ROOT\n");
    return 2;
}
