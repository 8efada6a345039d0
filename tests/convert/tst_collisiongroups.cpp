#include "convert/CollisionGroups.h"
#include "convert/Naming.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <numeric>
#include <set>

namespace {

// The groups by their definition: the closure of OutputsMayCollide over every pair, each
// group named by its first position.
std::vector<int> groupsByPairs(const QStringList& names) {
    std::vector<int> ids(names.size());
    std::iota(ids.begin(), ids.end(), 0);
    bool changed = true;
    while (changed) {
        changed = false;
        for (qsizetype a = 0; a < names.size(); ++a) {
            for (qsizetype b = a + 1; b < names.size(); ++b) {
                if (ids[a] != ids[b] && OutputsMayCollide(names[a], names[b])) {
                    const int low = std::min(ids[a], ids[b]);
                    const int high = std::max(ids[a], ids[b]);
                    std::replace(ids.begin(), ids.end(), high, low);
                    changed = true;
                }
            }
        }
    }
    return ids;
}

} // namespace

class TestCollisionGroups : public QObject {
    Q_OBJECT
private slots:
    void groups_data();
    void groups();
    void agreesWithPairwiseRule();
    void baseNameView_data();
    void baseNameView();
    void manyCollidingNames();
};

void TestCollisionGroups::groups_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("apart") << QStringList{"report", "summary", "index"} << QList<int>{0, 1, 2};
    QTest::newRow("equal names") << QStringList{"a", "b", "a"} << QList<int>{0, 1, 0};
    QTest::newRow("page number run-together")
        << QStringList{"Invoice 12", "Invoice 2", "Invoice 1"} << QList<int>{0, 1, 0};
    // "ab" joins both, though "abc" and "abd" do not collide and sort between them.
    QTest::newRow("joined through a shorter name")
        << QStringList{"abc", "abd", "x", "ab"} << QList<int>{0, 0, 2, 0};
    QTest::newRow("shared start only") << QStringList{"abc", "abd"} << QList<int>{0, 1};
    QTest::newRow("empty name joins all") << QStringList{"q", "r", ""} << QList<int>{0, 0, 0};
    QTest::newRow("chain") << QStringList{"s12", "t", "s1", "s123", "s2"}
                           << QList<int>{0, 1, 0, 0, 4};
    QTest::newRow("case matters") << QStringList{"Scan", "scan1"} << QList<int>{0, 1};
    QTest::newRow("none") << QStringList{} << QList<int>{};
}

void TestCollisionGroups::groups() {
    QFETCH(QStringList, names);
    QFETCH(QList<int>, expected);
    const std::vector<int> ids = CollisionGroupsOf(names);
    QCOMPARE(QList<int>(ids.begin(), ids.end()), expected);
}

void TestCollisionGroups::agreesWithPairwiseRule() {
    QRandomGenerator random(20);
    for (int round = 0; round < 40; ++round) {
        QStringList names;
        for (int n = 0; n < 60; ++n) {
            QString name;
            const int length = random.bounded(0, 4);
            for (int c = 0; c < length; ++c)
                name += QLatin1Char("ab1"[random.bounded(3)]);
            names.append(name);
        }
        QCOMPARE(CollisionGroupsOf(names), groupsByPairs(names));
    }
}

void TestCollisionGroups::baseNameView_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/scans/Invoice 12.pdf";
    QTest::newRow("first dot cuts") << "/in/Annual.Report.2024.pdf";
    QTest::newRow("leading dot") << "/in/.hidden.pdf";
    QTest::newRow("dot in folder only") << "/in.v2/scan";
    QTest::newRow("bare name") << "b.pdf";
    QTest::newRow("ends in separator") << "/in/";
}

void TestCollisionGroups::baseNameView() {
    QFETCH(QString, path);
    QCOMPARE(PdfBaseNameView(path).toString(), PdfBaseName(path));
}

// Catches a planning that compares every waiting name with every other: 20,000 names that
// are each other's prefixes take 200 million comparisons that way, where sorting them takes
// about n log2 n and walking the sorted chain at most 2n more.
void TestCollisionGroups::manyCollidingNames() {
    constexpr int Count = 20000;
    QStringList names;
    for (int n = 1; n <= Count; ++n)
        names.append(QStringLiteral("scan%1").arg(n));
    const NameComparisonCount comparisons;
    const std::vector<int> ids = CollisionGroupsOf(names);
    const double bound = 2.0 * Count * std::log2(Count);
    QVERIFY2(static_cast<double>(comparisons.value()) < bound,
             qPrintable(QString::number(comparisons.value())));
    // scan1, scan10..scan19, scan100...: nine groups, one per leading digit.
    QCOMPARE(ids[0], 0);
    QCOMPARE(ids[9], 0);     // scan10
    QCOMPARE(ids[1], 1);     // scan2
    QCOMPARE(ids[19999], 1); // scan20000
    QCOMPARE(std::set<int>(ids.begin(), ids.end()).size(), std::size_t(9));
}

QTEST_GUILESS_MAIN(TestCollisionGroups)
#include "tst_collisiongroups.moc"
