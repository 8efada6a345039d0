#include "cli/RunReport.h"

#include "platform/NativeNames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
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

namespace {

constexpr qsizetype BatchBytes = qsizetype(1) << 20;

// True when path stands in a JSON string as it is: printable ASCII without quotes or
// backslashes.
bool isPlainJson(QByteArrayView path) {
    return std::all_of(path.begin(), path.end(),
                       [](char c) { return c >= 0x20 && c < 0x7f && c != '"' && c != '\\'; });
}

} // namespace

bool RunReport::recordSkipped(const PathList& paths, const ReportSettings& settings) {
    ConversionOutcome outcome;
    outcome.status = ConversionStatus::Skipped;
    // Lines differ in their path alone: the line of an empty path, cut where its path goes.
    const QByteArray blank = line(QString(), settings, outcome);
    const QByteArrayView key = "\"path\":\"\"";
    const qsizetype cut = blank.indexOf(key) + key.size() - 1;
    const QByteArrayView head = QByteArrayView(blank).first(cut);
    const QByteArrayView tail = QByteArrayView(blank).sliced(cut);
    QByteArray batch;
    bool written = true;
    for (const QByteArrayView path : paths) {
        if (isPlainJson(path))
            batch.append(head).append(path).append(tail);
        else
            batch.append(line(PathList::text(path), settings, outcome));
        if (batch.size() >= BatchBytes) {
            written = m_file.append(batch) && written;
            batch.resize(0);
        }
    }
    if (!batch.isEmpty())
        written = m_file.append(batch) && written;
    return written;
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
    return printableFileName(out);
}
