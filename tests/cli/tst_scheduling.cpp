#include "cli/ParallelConverter.h"
#include "convert/CollisionGroups.h"
#include "convert/ConversionContext.h"
#include "convert/Naming.h"
#include "support/RecordingUserInterface.h"

#include <QHash>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>

namespace {

// What the fake conversions did, in the order they did it: +position at a start, -position
// at an end (positions count from 1).
class EventLog {
public:
    void add(int event) {
        QMutexLocker lock(&m_mutex);
        m_events.append(event);
    }
    QList<int> events() const {
        QMutexLocker lock(&m_mutex);
        return m_events;
    }

private:
    mutable QMutex m_mutex;
    QList<int> m_events;
};

// Whether each PDF of a run was converted, in list order.
QList<bool> converted(const QList<ConversionOutcome>& outcomes) {
    QList<bool> results;
    for (const ConversionOutcome& outcome : outcomes)
        results.append(outcome.status == ConversionStatus::Converted);
    return results;
}

ParallelConverter::Setup fakeSetup(int jobs, const QString& folder, EventLog& log,
                                   const QStringList& pdfs, unsigned workMicroseconds) {
    ParallelConverter::Setup setup;
    setup.method = ConversionMethod::GflAx;
    setup.programFolder = folder;
    setup.outputFolder = folder + QLatin1Char('/');
    setup.jobs = jobs;
    QHash<QString, int> positions;
    for (int n = 0; n < pdfs.size(); ++n)
        positions.insert(pdfs[n], n + 1);
    setup.methods.replace(
        ConversionMethod::GflAx,
        [&log, positions, workMicroseconds](const QString& path, ConversionContext& context) {
            const int position = positions.value(path);
            log.add(position);
            if (workMicroseconds > 0)
                QThread::usleep(workMicroseconds); // stands for the conversion's work
            context.jpgCreated = true;
            log.add(-position);
            ConversionOutcome outcome;
            outcome.status = ConversionStatus::Converted;
            outcome.pagesWritten = 1;
            return outcome;
        });
    return setup;
}

} // namespace

class TestScheduling : public QObject {
    Q_OBJECT
private slots:
    void collidingNeverOverlap_data();
    void collidingNeverOverlap();
    void manyCollidingNames();
};

void TestScheduling::collidingNeverOverlap_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("jobs");
    QTest::newRow("page number run-together")
        << QStringList{"Invoice 1", "Invoice 12", "Invoice 2", "Invoice 13", "x", "y"} << 3;
    QTest::newRow("joined through a shorter name")
        << QStringList{"abc", "abd", "q", "ab", "abe", "r", "s"} << 2;
    QTest::newRow("same names") << QStringList{"a", "a", "a", "b", "b", "c"} << 3;
    QTest::newRow("empty name waits for all before it")
        << QStringList{"p", "q", "r", "", "s", "t"} << 4;
}

// Every two PDFs whose outputs may collide run one after the other in list order, each PDF
// runs once, and PDFs that do not collide still run.
void TestScheduling::collidingNeverOverlap() {
    QFETCH(QStringList, names);
    QFETCH(int, jobs);
    QTemporaryDir folder;
    QStringList pdfs;
    for (int n = 0; n < names.size(); ++n)
        pdfs.append(QStringLiteral("%1/in%2/%3.pdf").arg(folder.path()).arg(n).arg(names[n]));
    EventLog log;
    RecordingUserInterface ui;
    ParallelConverter converter(fakeSetup(jobs, folder.path(), log, pdfs, 3000), ui);
    const QList<bool> results = converted(converter.run(pdfs));
    QCOMPARE(results, QList<bool>(pdfs.size(), true));

    const QList<int> events = log.events();
    QCOMPARE(events.size(), 2 * pdfs.size());
    for (int a = 1; a <= pdfs.size(); ++a) {
        QCOMPARE(events.count(a), 1);
        for (int b = a + 1; b <= pdfs.size(); ++b) {
            if (OutputsMayCollide(names[a - 1], names[b - 1]))
                QVERIFY2(events.indexOf(-a) < events.indexOf(b),
                         qPrintable(QStringLiteral("%1 started before %2 ended").arg(b).arg(a)));
        }
    }
}

// 20,000 names that are each other's prefixes: planning and handing out must not compare
// every waiting PDF with every other for each start (200 million comparisons of names), only
// sort the names once (about n log2 n).
void TestScheduling::manyCollidingNames() {
    constexpr int Count = 20000;
    QTemporaryDir folder;
    QStringList pdfs;
    for (int n = 1; n <= Count; ++n)
        pdfs.append(QStringLiteral("%1/scan%2.pdf").arg(folder.path()).arg(n));
    EventLog log;
    RecordingUserInterface ui;
    ParallelConverter converter(fakeSetup(2, folder.path(), log, pdfs, 0), ui);
    const NameComparisonCount comparisons;
    const QList<bool> results = converted(converter.run(pdfs));
    const double bound = 2.0 * Count * std::log2(Count);
    QVERIFY2(static_cast<double>(comparisons.value()) < bound,
             qPrintable(QString::number(comparisons.value())));
    QCOMPARE(results.count(true), pdfs.size());
}

QTEST_GUILESS_MAIN(TestScheduling)
#include "tst_scheduling.moc"
