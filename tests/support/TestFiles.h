#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <unistd.h>

// Inputs and places for the tests of what goes wrong: protected PDFs, pages of any size,
// folders that cannot be written, and a look at every process's arguments.
namespace TestFiles {

inline bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A copy of source that opens only with userPassword (AES-256), made by qpdf.
inline bool makeProtected(const QString& source, const QString& target,
                          const QString& userPassword) {
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"),
               {"--encrypt", userPassword, "owner-" + userPassword, "256", "--", source, target});
    return qpdf.waitForFinished(60'000) && qpdf.exitStatus() == QProcess::NormalExit &&
           qpdf.exitCode() == 0;
}

// Ends a PDF file's bytes: the cross-reference table pointing at the objects 1, 2, ... at
// these offsets, the trailer (object 1 is the catalogue) and the end marker.
inline void appendCrossReference(QByteArray& pdf, const QList<qsizetype>& offsets) {
    const qsizetype xref = pdf.size();
    const QByteArray size = QByteArray::number(offsets.size() + 1);
    pdf += "xref\n0 " + size + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + size + " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) +
           "\n%%EOF\n";
}

// A JPEG written to its end: it starts with the start-of-image marker and ends with the
// end-of-image one.
inline bool isWholeJpeg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 4)
        return false;
    const QByteArray head = file.read(2);
    file.seek(file.size() - 2);
    return head == "\xFF\xD8" && file.read(2) == "\xFF\xD9";
}

// A PDF file's bytes made of the given objects, numbered from 1 (object 1 is the catalogue),
// with a cross-reference table that points at each.
inline QByteArray pdfFromObjects(const QList<QByteArray>& objects) {
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    appendCrossReference(pdf, offsets);
    return pdf;
}

// A valid one-page PDF whose page is width x height points and holds a filled square.
inline QByteArray pdfWithPage(int width, int height) {
    const QByteArray content = "0 0 1 rg 10 10 50 50 re f\n";
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(width) + ' ' +
            QByteArray::number(height) + "] /Contents 4 0 R /Resources << >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
            "endstream"};
    return pdfFromObjects(objects);
}

// A folder that cannot be written: a read-only file system for root (whom permissions do not
// stop), a folder without write permission for anyone else. Undone when it goes.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : m_path(path) {
        QDir().mkpath(path);
        if (::geteuid() != 0) {
            m_ready = QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            return;
        }
        m_mounted = run("mount", {"-t", "tmpfs", "-o", "ro,size=1m", "tmpfs", path});
        m_ready = m_mounted;
    }
    ~ReadOnlyFolder() {
        if (m_mounted)
            run("umount", {m_path});
        else
            QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool ready() const { return m_ready; }

private:
    static bool run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        return process.waitForFinished(30'000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
    QString m_path;
    bool m_mounted = false;
    bool m_ready = false;
};

// A small file system mounted at path (root only), for a disk that fills up.
class SmallDisk {
public:
    SmallDisk(const QString& path, const QByteArray& size) : m_path(path) {
        QDir().mkpath(path);
        QProcess mount;
        mount.start("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", path});
        m_mounted = ::geteuid() == 0 && mount.waitForFinished(30'000) && mount.exitCode() == 0;
    }
    ~SmallDisk() {
        if (!m_mounted)
            return;
        QProcess umount;
        umount.start("umount", {m_path});
        umount.waitForFinished(30'000);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return m_mounted; }

private:
    QString m_path;
    bool m_mounted = false;
};

// The parent of process pid, from /proc/pid/stat (0 when gone).
inline qint64 parentOf(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // "pid (name) state ppid ...": the name may hold spaces and parentheses.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() : 0;
}

// True while process pid runs (a zombie no longer does).
inline bool processRuns(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

// How many descendants of this process now running have text among their arguments. Only
// our own children count: other tests running at the same time may use the same text.
inline int processesWithArgument(const QByteArray& text) {
    const qint64 self = QCoreApplication::applicationPid();
    int found = 0;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || pid == self)
            continue;
        QFile cmdline(proc.filePath(entry + QStringLiteral("/cmdline")));
        if (!cmdline.open(QIODevice::ReadOnly) || !cmdline.readAll().contains(text))
            continue;
        for (qint64 up = parentOf(pid); up > 1; up = parentOf(up)) {
            if (up == self) {
                ++found;
                break;
            }
        }
    }
    return found;
}

} // namespace TestFiles
