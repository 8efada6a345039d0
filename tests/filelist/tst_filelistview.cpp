#include "filelist/FileListModel.h"
#include "filelist/ListTestHelpers.h"
#include "filelist/ui/FileListView.h"
#include "platform/NativeNames.h"
#include "support/TestPaths.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

namespace {

const QStringList ABCD{"/d/A.pdf", "/d/B.pdf", "/d/C.pdf", "/d/D.pdf"};

struct ListUnderTest {
    FileListModel model;
    RecordingWindowPointer window;
    std::unique_ptr<FileListView> view;

    explicit ListUnderTest(const QStringList& entries, QSize size = {449, 300},
                           const QString& programFolder = TestPaths::programFolder()) {
        model.append(entries);
        view = std::make_unique<FileListView>(&model, &window, programFolder);
        view->resize(size);
        view->show();
    }

    QWidget* viewport() const { return view->viewport(); }
    QPoint centreOf(int position) const {
        return view->visualRect(model.index(position - 1)).center();
    }
    int selectedPosition() const {
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() + 1 : 0;
    }
    void press(int position) {
        QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOf(position));
    }
    void moveTo(int position) { QTest::mouseMove(viewport(), centreOf(position)); }
    void release(const QPoint& at) { QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at); }
    void hover(const QPoint& at) {
        QMouseEvent move(QEvent::MouseMove, at, viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport(), &move);
    }
};

std::unique_ptr<QMimeData> filesData(const QStringList& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromEncoded("file://" + encodeFileName(path).toPercentEncoding("/")));
    data->setUrls(urls);
    return data;
}

enum class DropResult { Accepted, Refused };

// Drags data over the list and, when the list takes it, drops it there, as a file manager
// would. The result is what the list answered while the data was over it.
DropResult dragAndDrop(ListUnderTest& list, const QMimeData& data) {
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &move);
    if (!enter.isAccepted() || !move.isAccepted() || move.dropAction() == Qt::IgnoreAction)
        return DropResult::Refused;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &drop);
    return drop.isAccepted() ? DropResult::Accepted : DropResult::Refused;
}

} // namespace

class TestFileListView : public QObject {
    Q_OBJECT
private slots:
    void reorderByDragging_data();
    void reorderByDragging();
    void movingWithoutPressChangesNothing();
    void movingAfterReleaseChangesNothing();
    void frozenListIsNotReordered();
    void draggingPastTheBottomScrolls_data();
    void draggingPastTheBottomScrolls();
    void draggingAboveTheTopScrolls();
    void doubleClickRemovesSelectedEntry();
    void doubleClickWithNothingSelectedDoesNothing();
    void doubleClickOnFrozenListDoesNothing();
    void removingTheDraggedEntryForgetsIt();
    void listPointerFollowsThePress_data();
    void listPointerFollowsThePress();
    void windowPointerResetOnMove_data();
    void windowPointerResetOnMove();
    void drops_data();
    void drops();
    void dropsRefusedWhileAnEntryIsPressed();
    void dropsWhileFrozenWaitForTheRunsEnd();
};

void TestFileListView::reorderByDragging_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("pressed");
    QTest::addColumn<QList<int>>("moves");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("selected");

    const QString a = ABCD[0], b = ABCD[1], c = ABCD[2], d = ABCD[3];
    QTest::newRow("B over C then D")
        << ABCD << 2 << QList<int>{3, 4} << QStringList{a, c, d, b} << 4;
    QTest::newRow("B straight onto D")
        << ABCD << 2 << QList<int>{4} << QStringList{a, d, c, b} << 4;
    QTest::newRow("D up to the top")
        << ABCD << 4 << QList<int>{3, 2, 1} << QStringList{d, a, b, c} << 1;
    QTest::newRow("there and back") << ABCD << 2 << QList<int>{3, 2} << ABCD << 2;
    QTest::newRow("staying on the pressed entry") << ABCD << 2 << QList<int>{2, 2} << ABCD << 2;
    QTest::newRow("equal texts never exchanged")
        << QStringList{a, b, b, d} << 2 << QList<int>{3} << QStringList{a, b, b, d} << 2;
    QTest::newRow("past an equal text to the next")
        << QStringList{a, b, b, d} << 2 << QList<int>{3, 4} << QStringList{a, d, b, b} << 4;
}

void TestFileListView::reorderByDragging() {
    QFETCH(QStringList, entries);
    QFETCH(int, pressed);
    QFETCH(QList<int>, moves);
    QFETCH(QStringList, expected);
    QFETCH(int, selected);

    ListUnderTest list(entries);
    list.press(pressed);
    QVERIFY(list.view->buttonIsDown());
    QCOMPARE(list.view->dragItemPosition(), pressed);
    for (int position : moves)
        list.moveTo(position);
    list.release(list.centreOf(moves.last()));
    QCOMPARE(list.model.entries(), expected);
    QCOMPARE(list.selectedPosition(), selected);
    QCOMPARE(list.view->dragItemPosition(), selected);
    QVERIFY(!list.view->buttonIsDown());
}

void TestFileListView::movingWithoutPressChangesNothing() {
    ListUnderTest list(ABCD);
    list.hover(list.centreOf(2));
    list.hover(list.centreOf(4));
    QCOMPARE(list.model.entries(), ABCD);
}

void TestFileListView::movingAfterReleaseChangesNothing() {
    ListUnderTest list(ABCD);
    list.press(2);
    list.release(list.centreOf(2));
    list.hover(list.centreOf(3));
    QCOMPARE(list.model.entries(), ABCD);
    // The dragged entry is kept after the release.
    QCOMPARE(list.view->dragItemPosition(), 2);
}

void TestFileListView::frozenListIsNotReordered() {
    ListUnderTest list(ABCD);
    list.press(2);
    list.model.setFrozen(true);
    list.moveTo(3);
    list.moveTo(4);
    list.release(list.centreOf(4));
    QCOMPARE(list.model.entries(), ABCD);
    QCOMPARE(list.view->dragItemPosition(), 2);
}

void TestFileListView::draggingPastTheBottomScrolls_data() {
    QTest::addColumn<QPoint>("windowAt");
    QTest::newRow("window at the top left") << QPoint(0, 0);
    QTest::newRow("window low on the screen") << QPoint(300, 420);
}

void TestFileListView::draggingPastTheBottomScrolls() {
    QFETCH(QPoint, windowAt);
    QStringList entries;
    for (int i = 1; i <= 20; ++i)
        entries.append(QStringLiteral("/d/%1.pdf").arg(i));
    ListUnderTest list(entries, {449, 105});
    list.view->move(windowAt);
    QScrollBar* scroll = list.view->verticalScrollBar();
    QCOMPARE(scroll->value(), 0);

    list.press(1);
    // In the middle of the list: the entry moves, the list stays.
    list.moveTo(2);
    QCOMPARE(list.view->dragItemPosition(), 2);
    QCOMPARE(scroll->value(), 0);
    // Below the list: the entry keeps travelling down and the list follows it.
    const QPoint below(list.centreOf(1).x(), list.viewport()->height() + 15);
    for (int i = 0; i < 10; ++i)
        QTest::mouseMove(list.viewport(), below);
    list.release(below);

    const int reached = list.view->dragItemPosition();
    QVERIFY2(reached > 5, qPrintable(QString::number(reached)));
    QCOMPARE(list.model.text(reached), QStringLiteral("/d/1.pdf"));
    QVERIFY(scroll->value() > 0);
    QVERIFY(
        list.view->visualRect(list.model.index(reached - 1)).intersects(list.viewport()->rect()));
}

void TestFileListView::draggingAboveTheTopScrolls() {
    QStringList entries;
    for (int i = 1; i <= 20; ++i)
        entries.append(QStringLiteral("/d/%1.pdf").arg(i));
    ListUnderTest list(entries, {449, 105});
    list.view->scrollToBottom();
    QScrollBar* scroll = list.view->verticalScrollBar();
    const int bottom = scroll->value();
    QVERIFY(bottom > 0);

    const int first = list.view->indexAt(QPoint(20, 2)).row() + 1;
    list.press(first);
    const QPoint above(list.centreOf(first).x(), -15);
    for (int i = 0; i < 10; ++i)
        QTest::mouseMove(list.viewport(), above);
    list.release(above);

    const int reached = list.view->dragItemPosition();
    QVERIFY2(reached < first - 3, qPrintable(QString::number(reached)));
    QCOMPARE(list.model.text(reached), entries.at(first - 1));
    QVERIFY(scroll->value() < bottom);
}

void TestFileListView::doubleClickRemovesSelectedEntry() {
    ListUnderTest list(ABCD);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.centreOf(2));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.centreOf(2));
    list.release(list.centreOf(2));
    QCOMPARE(list.model.entries(), (QStringList{ABCD[0], ABCD[2], ABCD[3]}));
}

void TestFileListView::doubleClickWithNothingSelectedDoesNothing() {
    ListUnderTest list(ABCD);
    const QPoint empty(20, list.viewport()->height() - 5); // below the last entry
    QVERIFY(!list.view->indexAt(empty).isValid());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, empty);
    list.release(empty);
    QCOMPARE(list.model.entries(), ABCD);
}

void TestFileListView::doubleClickOnFrozenListDoesNothing() {
    ListUnderTest list(ABCD);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.centreOf(2));
    list.model.setFrozen(true);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.centreOf(2));
    list.release(list.centreOf(2));
    QCOMPARE(list.model.entries(), ABCD);
}

void TestFileListView::removingTheDraggedEntryForgetsIt() {
    ListUnderTest list(ABCD);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.centreOf(3));
    QCOMPARE(list.view->dragItemPosition(), 3);
    // Removing an entry above it moves the dragged entry up with its text.
    list.view->selectionModel()->select(list.model.index(0), QItemSelectionModel::ClearAndSelect);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, 250));
    list.release(QPoint(20, 250));
    QCOMPARE(list.view->dragItemPosition(), 2);
    QCOMPARE(list.model.text(2), ABCD[2]);
    // Removing the dragged entry itself leaves none: a drag from an empty spot moves nothing.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.centreOf(2));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.centreOf(2));
    list.release(list.centreOf(2));
    QCOMPARE(list.view->dragItemPosition(), 0);
    const QPoint empty(20, 250);
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, empty);
    list.moveTo(1);
    list.release(list.centreOf(1));
    QCOMPARE(list.model.entries(), (QStringList{ABCD[1], ABCD[3]}));
}

void TestFileListView::listPointerFollowsThePress_data() {
    QTest::addColumn<bool>("iconShipped");
    QTest::addColumn<MousePointer>("whilePressed");
    QTest::addColumn<Qt::CursorShape>("shapeWhilePressed");
    QTest::newRow("drag icon beside the program")
        << true << MousePointer::Custom << Qt::BitmapCursor;
    QTest::newRow("no drag icon") << false << MousePointer::Default << Qt::ArrowCursor;
}

void TestFileListView::listPointerFollowsThePress() {
    QFETCH(bool, iconShipped);
    QFETCH(MousePointer, whilePressed);
    QFETCH(Qt::CursorShape, shapeWhilePressed);
    QTemporaryDir empty;
    const QString programFolder = iconShipped ? TestPaths::programFolder() : empty.path();
    ListUnderTest list(ABCD, {449, 300}, programFolder);

    list.press(2);
    QCOMPARE(list.view->listPointer(), whilePressed);
    QCOMPARE(list.viewport()->cursor().shape(), shapeWhilePressed);
    list.release(list.centreOf(2));
    QCOMPARE(list.view->listPointer(), MousePointer::Arrow);
    QCOMPARE(list.viewport()->cursor().shape(), Qt::ArrowCursor);
}

void TestFileListView::windowPointerResetOnMove_data() {
    QTest::addColumn<MousePointer>("before");
    QTest::addColumn<MousePointer>("after");
    QTest::addColumn<int>("changes");
    QTest::newRow("hand gives way") << MousePointer::Custom << MousePointer::Default << 1;
    QTest::newRow("hourglass stays") << MousePointer::Hourglass << MousePointer::Hourglass << 0;
    QTest::newRow("default stays") << MousePointer::Default << MousePointer::Default << 0;
}

void TestFileListView::windowPointerResetOnMove() {
    QFETCH(MousePointer, before);
    QFETCH(MousePointer, after);
    QFETCH(int, changes);
    ListUnderTest list(ABCD);
    list.window.pointer = before;
    list.hover(list.centreOf(1));
    list.hover(list.centreOf(2));
    QCOMPARE(list.window.pointer, after);
    QCOMPARE(list.window.changes.size(), changes);
}

void TestFileListView::drops_data() {
    QTest::addColumn<QStringList>("dropped"); // empty: plain text instead of files
    QTest::addColumn<bool>("withWebAddress");
    QTest::addColumn<DropResult>("result");
    QTest::addColumn<QStringList>("expected");

    const QStringList three{"/in/one.pdf", "/in/two words.pdf", "/in/3.PDF"};
    QTest::newRow("three files in order")
        << three << false << DropResult::Accepted << QStringList{"/old.pdf"} + three;
    QTest::newRow("folder as one entry")
        << QStringList{"/in/folder"} << false << DropResult::Accepted
        << QStringList{"/old.pdf", "/in/folder"};
    QTest::newRow("any file type, duplicates kept")
        << QStringList{"/in/notes.txt", "/old.pdf"} << false << DropResult::Accepted
        << QStringList{"/old.pdf", "/in/notes.txt", "/old.pdf"};
    QTest::newRow("plain text refused")
        << QStringList{} << false << DropResult::Refused << QStringList{"/old.pdf"};
    // A file manager sends a name's bytes percent-encoded, whether or not they are UTF-8.
    const QString latin1 = QStringLiteral("/in/r") + QChar(0xDCE9) + QStringLiteral("sum.pdf");
    QTest::newRow("a name that is not UTF-8 kept byte for byte")
        << QStringList{latin1, QString::fromUtf8("/in/r\xc3\xa9sum.pdf")} << false
        << DropResult::Accepted
        << QStringList{"/old.pdf", latin1, QString::fromUtf8("/in/r\xc3\xa9sum.pdf")};
    QTest::newRow("a web address among files refused")
        << QStringList{"/in/one.pdf"} << true << DropResult::Refused << QStringList{"/old.pdf"};
}

void TestFileListView::drops() {
    QFETCH(QStringList, dropped);
    QFETCH(bool, withWebAddress);
    QFETCH(DropResult, result);
    QFETCH(QStringList, expected);

    ListUnderTest list({"/old.pdf"});
    std::unique_ptr<QMimeData> data = filesData(dropped);
    if (dropped.isEmpty())
        data->setText(QStringLiteral("/in/one.pdf"));
    if (withWebAddress)
        data->setUrls(data->urls() << QUrl(QStringLiteral("https://example.org/x.pdf")));
    QCOMPARE(dragAndDrop(list, *data), result);
    QCOMPARE(list.model.entries(), expected);
}

void TestFileListView::dropsRefusedWhileAnEntryIsPressed() {
    ListUnderTest list(ABCD);
    const auto data = filesData({"/in/new.pdf"});
    list.press(1);
    QCOMPARE(list.view->dropAcceptance(), DropAcceptance::None);
    QCOMPARE(dragAndDrop(list, *data), DropResult::Refused);
    list.release(list.centreOf(1));
    // Taken again once the button is up: the click did not end drops for good.
    QCOMPARE(list.view->dropAcceptance(), DropAcceptance::Files);
    QCOMPARE(dragAndDrop(list, *data), DropResult::Accepted);
    QCOMPARE(list.model.entries(), ABCD + QStringList{"/in/new.pdf"});
}

void TestFileListView::dropsWhileFrozenWaitForTheRunsEnd() {
    ListUnderTest list(ABCD);
    list.model.setFrozen(true);
    const auto data = filesData({"/in/new.pdf", "/in/folder"});
    QCOMPARE(dragAndDrop(list, *data), DropResult::Accepted);
    QCOMPARE(list.model.entries(), ABCD);
    list.model.setFrozen(false);
    QCOMPARE(list.model.entries(), ABCD + QStringList({"/in/new.pdf", "/in/folder"}));
}

QTEST_MAIN(TestFileListView)
#include "tst_filelistview.moc"
