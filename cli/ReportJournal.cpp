#include "cli/ReportJournal.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace {

bool sameSettings(const QJsonObject& record, const ReportSettings& settings) {
    return record.value(QLatin1String("method")).toString() == settings.method &&
           record.value(QLatin1String("options")).toObject() == settings.options();
}

// Takes in one line: a later line for a path replaces what an earlier one said.
void readLine(QByteArrayView line, const ReportSettings& settings, QSet<QString>& converted) {
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray());
    if (!document.isObject())
        return;
    const QJsonObject record = document.object();
    const QJsonValue path = record.value(QLatin1String("path"));
    if (!path.isString())
        return;
    const QString status = record.value(QLatin1String("status")).toString();
    // A skipped line repeats what an earlier resumed run found; it changes nothing.
    if (status == QLatin1String("skipped"))
        return;
    if (status == QLatin1String("converted") && sameSettings(record, settings))
        converted.insert(path.toString());
    else
        converted.remove(path.toString());
}

} // namespace

JournalRead ReadConvertedPaths(const QString& reportFile, const ReportSettings& settings) {
    JournalRead read;
    QFile file(reportFile);
    if (!file.exists())
        return read;
    if (!file.open(QIODevice::ReadOnly)) {
        read.error =
            QStringLiteral("cannot read the report %1: %2").arg(reportFile, file.errorString());
        return read;
    }
    const QByteArray content = file.readAll();
    const char* data = content.constData();
    const char* const last = data + content.size();
    while (data < last) {
        const void* found = std::memchr(data, '\n', static_cast<std::size_t>(last - data));
        const char* stop = found ? static_cast<const char*>(found) : last;
        // A line without its line end was cut short by a stop: never taken as done.
        if (found)
            readLine(QByteArrayView(data, stop - data), settings, read.converted);
        data = stop + 1;
    }
    return read;
}

bool EndTornLastLine(const QString& reportFile, QString& error) {
    QFile file(reportFile);
    if (!file.exists() || file.size() == 0)
        return true;
    char last = '\n';
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append) || !file.seek(file.size() - 1) ||
        !file.getChar(&last) || (last != '\n' && file.write("\n", 1) != 1)) {
        error = QStringLiteral("cannot end the last line of the report %1: %2")
                    .arg(reportFile, file.errorString());
        return false;
    }
    return true;
}
