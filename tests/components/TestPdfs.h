#pragma once

#include "support/TestFiles.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>

// PDFs made for tests with the converters on this machine, and page sizes as Poppler sees them.
namespace TestPdfs {

inline QString gnuplotManual() {
    return QStringLiteral("/usr/share/doc/gnuplot/gnuplot.pdf");
}

// A copy of source that opens only with the user password "secret".
inline bool makeEncrypted(const QString& source, const QString& target) {
    QProcess gs;
    gs.start(QStringLiteral("gs"),
             {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite", "-sOwnerPassword=owner",
              "-sUserPassword=secret", "-sOutputFile=" + target, source});
    return gs.waitForFinished(60'000) && gs.exitCode() == 0;
}

// A one-page PDF of width x height points drawing `content` with `resources`, written with an
// exact cross-reference table so that nothing has to be repaired; `extra` objects are numbered
// from 5 on.
inline bool writeOnePagePdf(const QString& path, const QByteArray& content, int width = 200,
                            int height = 100, const QByteArray& resources = {},
                            const QList<QByteArray>& extra = {}) {
    QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(width) + ' ' +
            QByteArray::number(height) + "] /Resources << " + resources + " >> /Contents 4 0 R >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
            "\nendstream"};
    objects += extra;
    const QByteArray pdf = TestFiles::pdfFromObjects(objects);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size();
}

// source rewritten by qpdf in its editable form, `from` replaced by `to` in the text, and the
// cross-reference table made right again, so the file is damaged only where asked.
inline bool editPdf(const QString& source, const QString& target, const QByteArray& from,
                    const QByteArray& to) {
    QProcess qdf;
    qdf.start(QStringLiteral("qpdf"), {"--qdf", "--object-streams=disable", source, "-"});
    if (!qdf.waitForFinished(60'000) || qdf.exitCode() != 0)
        return false;
    QByteArray text = qdf.readAllStandardOutput();
    if (!text.contains(from))
        return false;
    text.replace(from, to);
    QProcess fix;
    fix.setStandardOutputFile(target);
    fix.start(QStringLiteral("fix-qdf"), {});
    fix.write(text);
    fix.closeWriteChannel();
    return fix.waitForFinished(60'000) && fix.exitCode() == 0;
}

// The size in points of page `page`, after its rotation, as pdfinfo reports it.
inline QSizeF pageSize(const QString& pdf, int page) {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"),
               {"-f", QString::number(page), "-l", QString::number(page), pdf});
    if (!info.waitForFinished(60'000))
        return {};
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    const auto size = QRegularExpression(R"(Page\s+\d+ size:\s+([\d.]+) x ([\d.]+))").match(out);
    const auto rot = QRegularExpression(R"(Page\s+\d+ rot:\s+(\d+))").match(out);
    if (!size.hasMatch())
        return {};
    QSizeF points(size.captured(1).toDouble(), size.captured(2).toDouble());
    if (rot.hasMatch() && rot.captured(1).toInt() % 180 == 90)
        points.transpose();
    return points;
}

// The pixel size of a page of `points` at dpi.
inline QSize pixelSize(QSizeF points, double dpi) {
    return {qRound(points.width() * dpi / 72.0), qRound(points.height() * dpi / 72.0)};
}

} // namespace TestPdfs
