#include "cli/RunReport.h"

#include <cstring>

bool RunReport::open(const QString& file, QString& error) {
    if (const int failure = m_file.open(file); failure != 0) {
        error = QStringLiteral("cannot open the report %1: %2")
                    .arg(oneLine(file), QString::fromLocal8Bit(std::strerror(failure)));
        return false;
    }
    return true;
}

bool RunReport::record(const QString& path, const ReportSettings& settings,
                       const ConversionOutcome& outcome) {
    return m_file.append(line(path, settings, outcome));
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
