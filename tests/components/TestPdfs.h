#pragma once

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
