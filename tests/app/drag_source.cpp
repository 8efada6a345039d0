// Another program for the cross-process drop test: a small window that starts a drag of the
// given paths as file addresses when the mouse is pressed on it, the way a file manager does.
// It writes what happens to STATUS_FILE, one word a line: "shown", "dragging", "accepted"
// (the target took the drag over it), then "copied" or "refused" when the drag ends. It runs
// until it is ended.
//
//   drag_source STATUS_FILE PATH...
#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

namespace {

class DragSource : public QWidget {
public:
    DragSource(QString statusFile, QStringList paths)
        : m_statusFile(std::move(statusFile)), m_paths(std::move(paths)) {
        setWindowTitle(QStringLiteral("drag-source"));
        setFixedSize(200, 120);
    }

    void note(const char* word) {
        QFile file(m_statusFile);
        if (file.open(QIODevice::Append))
            file.write(QByteArray(word) + '\n');
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& path : m_paths)
            urls.append(QUrl::fromLocalFile(path));
        data->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        connect(drag, &QDrag::actionChanged, this, [this](Qt::DropAction action) {
            if (action == Qt::CopyAction)
                note("accepted");
        });
        note("dragging");
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        // The drop's data is fetched from here after exec() returns, as a file manager
        // serves it: the program keeps running until it is ended.
        note(done == Qt::CopyAction ? "copied" : "refused");
    }

private:
    QString m_statusFile;
    QStringList m_paths;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3)
        return 2;
    DragSource source(arguments.at(1), arguments.mid(2));
    source.move(0, 0);
    source.show();
    source.note("shown");
    return app.exec();
}
