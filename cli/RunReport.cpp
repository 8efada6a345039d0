#include "cli/RunReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
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
                       const ConversionOutcome& outcome, const QStringList& replaces) {
    return m_file.append(line(path, settings, outcome, replaces));
}

QJsonObject ReportSettings::options() const {
    QJsonObject object;
    const std::pair<const char*, const QString*> fields[]{
        {"output", &output}, {"resolution", &resolution},
        {"pages", &pages},   {"quality", &quality},
        {"colour", &colour}, {"size", &size},
        {"name", &name},     {"tree", &tree}};
    for (const auto& [key, value] : fields) {
        if (!value->isEmpty())
            object.insert(QLatin1String(key), *value);
    }
    return object;
}

QByteArray RunReport::line(const QString& path, const ReportSettings& settings,
                           const ConversionOutcome& outcome, const QStringList& replaces) {
    const QString text =
        outcome.status == ConversionStatus::Converted ? QString() : outcomeSummary(outcome);
    const QJsonObject reason{{QStringLiteral("code"), codeName(outcome.reason)},
                             {QStringLiteral("text"), text}};
    QJsonObject record{
        {QStringLiteral("path"), path},
        {QStringLiteral("method"), settings.method},
        {QStringLiteral("options"), settings.options()},
        {QStringLiteral("status"), statusName(outcome.status)},
        {QStringLiteral("pages"), outcome.pagesWritten},
        {QStringLiteral("outputs"), QJsonArray::fromStringList(outcome.outputs)},
        {QStringLiteral("reason"), reason},
        // Milliseconds are all a report needs; more digits only lengthen every line.
        {QStringLiteral("seconds"), std::round(outcome.seconds * 1000.0) / 1000.0},
    };
    if (!replaces.isEmpty())
        record.insert(QStringLiteral("replaces"), QJsonArray::fromStringList(replaces));
    return QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
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
