#include "cli/RunProgress.h"

#include <QTest>

using namespace std::chrono_literals;

// The status line of a run: pages become known as conversions learn their counts, one long
// PDF moves the bar by its pages, and the time left follows the share done.
class TestRunProgress : public QObject {
    Q_OBJECT
private slots:
    void statusLines_data();
    void statusLines();
};

void TestRunProgress::statusLines_data() {
    QTest::addColumn<int>("pdfs");
    // Events, one a word: s<pos> started, e<pos>:<pages> expected, w<pos>:<pages> written,
    // f<pos>:<pages> finished.
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("line"); // after 10 s

    QTest::newRow("nothing yet") << 3 << ""
                                 << "[                        ]   0%  pages 0/0  PDFs 0/3  0:10 "
                                    "elapsed";
    QTest::newRow("one long PDF a quarter through")
        << 1 << "s1 e1:200 w1:50"
        << "[######                  ]  25%  pages 50/200  PDFs 0/1  0:10 elapsed  0:30 left";
    QTest::newRow("a script method that cannot say its pages")
        << 2 << "s1 w1:7"
        << "[                        ]   0%  pages 7/7  PDFs 0/2  0:10 elapsed";
    QTest::newRow("one of two finished, the other half way")
        << 2 << "s1 s2 e1:4 f1:4 e2:10 w2:5"
        << "[##################      ]  75%  pages 9/14  PDFs 1/2  0:10 elapsed  0:03 left";
    QTest::newRow("all finished") << 2 << "s1 s2 f2:3 f1:0"
                                  << "[########################] 100%  pages 3/3  PDFs 2/2  0:10 "
                                     "elapsed";
}

void TestRunProgress::statusLines() {
    QFETCH(int, pdfs);
    QFETCH(QString, events);
    QFETCH(QString, line);
    RunProgress progress(pdfs);
    for (const QString& event : events.split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = event.mid(1).split(':');
        const int position = parts.at(0).toInt();
        const int pages = parts.value(1).toInt();
        switch (event.at(0).toLatin1()) {
        case 's':
            progress.started(position);
            break;
        case 'e':
            progress.expected(position, pages);
            break;
        case 'w':
            progress.written(position, pages);
            break;
        default:
            progress.finished(position, pages);
        }
    }
    QCOMPARE(progress.statusLine(10s), line);
}

QTEST_GUILESS_MAIN(TestRunProgress)
#include "tst_runprogress.moc"
