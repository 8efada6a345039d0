#include "GhostscriptPage.h"

#include "platform/ProcessGroup.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QProcess>
#include <QTemporaryFile>

namespace {
constexpr int kPageTimeoutMs = 240'000; // below the client's call limit
}

QString GhostscriptPage::renderTo(const QString& target) const {
    // An argument list, never a shell line. Ghostscript reads "%" in an output name as a page
    // number format, so it is doubled; the input is named by its absolute path so that a name
    // starting with "-" is not taken for an option.
    QString output = target;
    output.replace(QLatin1Char('%'), QStringLiteral("%%"));
    QStringList arguments{QStringLiteral("-q"),
                          QStringLiteral("-dSAFER"),
                          QStringLiteral("-dBATCH"),
                          QStringLiteral("-dNOPAUSE"),
                          colour ? QStringLiteral("-sDEVICE=jpeg")
                                 : QStringLiteral("-sDEVICE=jpeggray"),
                          QStringLiteral("-dJPEGQ=%1").arg(quality),
                          QStringLiteral("-r%1").arg(dpi, 0, 'g', 10),
                          QStringLiteral("-dFirstPage=%1").arg(page),
                          QStringLiteral("-dLastPage=%1").arg(page),
                          QStringLiteral("-sOutputFile=") + output,
                          QFileInfo(pdf).absoluteFilePath()};
    QProcess gs;
    gs.setStandardOutputFile(QProcess::nullDevice()); // never into the server's answers
    startTiedToThisProcess(gs);                       // a killed server leaves no Ghostscript
    gs.start(QStringLiteral("gs"), arguments);
    if (!gs.waitForStarted())
        return QStringLiteral("Ghostscript cannot be started: %1").arg(gs.errorString());
    if (!gs.waitForFinished(kPageTimeoutMs)) {
        gs.kill();
        gs.waitForFinished();
        return QStringLiteral("Ghostscript did not finish the page");
    }
    if (gs.exitStatus() != QProcess::NormalExit || gs.exitCode() != 0)
        return QStringLiteral("Ghostscript failed on the page: %1")
            .arg(QString::fromLocal8Bit(gs.readAllStandardError()).trimmed());
    if (QFileInfo(target).size() <= 0)
        return QStringLiteral("Ghostscript wrote no image for the page");
    return {};
}

QString GhostscriptPage::renderInto(QIODevice& out) const {
    // Ghostscript writes to a name; the private temporary file goes when this returns.
    QTemporaryFile image;
    if (!image.open())
        return QStringLiteral("no temporary file for Ghostscript: %1").arg(image.errorString());
    const QString error = renderTo(image.fileName());
    if (!error.isEmpty())
        return error;
    QFile written(image.fileName());
    if (!written.open(QIODevice::ReadOnly))
        return QStringLiteral("the image of Ghostscript cannot be read");
    char buffer[1 << 16];
    for (qint64 n; (n = written.read(buffer, sizeof buffer)) > 0;)
        if (out.write(buffer, n) != n)
            return QStringLiteral("the image cannot be written");
    return {};
}
