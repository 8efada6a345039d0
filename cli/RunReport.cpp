#include "cli/RunReport.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

RunReport::~RunReport() {
    if (m_ownsFd)
        ::close(m_fd);
}

bool RunReport::open(const QString& file, QString& error) {
    if (file == QLatin1String("-")) {
        m_fd = STDOUT_FILENO;
        return true;
    }
    m_fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                  0644);
    if (m_fd < 0) {
        error = QStringLiteral("cannot open the report %1: %2")
                    .arg(file, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_ownsFd = true;
    return true;
}

bool RunReport::record(const QString& path, const ReportSettings& settings,
                       const ConversionOutcome& outcome) {
    const QByteArray bytes = line(path, settings, outcome);
    ssize_t written;
    do {
        written = ::write(m_fd, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    } while (written < 0 && errno == EINTR);
    return written == bytes.size();
}

QByteArray RunReport::line(const QString& path, const ReportSettings& settings,
                           const ConversionOutcome& outcome) {
    QByteArray outputs = "[";
    for (qsizetype i = 0; i < outcome.outputs.size(); ++i)
        outputs += (i > 0 ? "," : "") + jsonString(outcome.outputs.at(i));
    outputs += "]";
    return "{\"path\":" + jsonString(path) + ",\"method\":" + jsonString(settings.method) +
           ",\"options\":{\"output\":" + jsonString(settings.output) +
           ",\"resolution\":" + jsonString(settings.resolution) +
           ",\"pages\":" + jsonString(settings.pages) +
           "},\"status\":" + jsonString(statusName(outcome.status)) +
           ",\"pages\":" + QByteArray::number(outcome.pagesWritten) + ",\"outputs\":" + outputs +
           ",\"reason\":{\"code\":" + jsonString(codeName(outcome.reason)) + ",\"text\":" +
           jsonString(outcome.status == ConversionStatus::Converted ? QString()
                                                                    : outcomeSummary(outcome)) +
           "},\"seconds\":" + QByteArray::number(outcome.seconds, 'f', 3) + "}\n";
}

QByteArray jsonString(const QString& text) {
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += QByteArray("\\u00") +
                       QByteArray::number(static_cast<int>(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    return out + "\"";
}

QString oneLine(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else
            out += c;
    }
    return out;
}
