#include "cli/JournalPass.h"

#include "cli/OptionValues.h"
#include "cli/ReportLineScan.h"
#include "platform/NativeNames.h"

#include <QJsonDocument>

namespace {

// A report written over years of runs can show any number of option sets; the verdicts of
// the first ones are kept, which is all a real report holds.
constexpr qsizetype MaxOptionSetsKept = 1024;

} // namespace

JournalPass::JournalPass(const JournalTarget& target)
    : m_target(target), m_paths(target.currentFolder),
      m_verdicts(static_cast<std::size_t>(target.listSize), Unsaid) {}

void JournalPass::takeLine(QByteArrayView line) {
    ReportLineFields fields;
    if (ScanReportLine(line, fields) == LineShape::Unusual) {
        takeUnusualLine(line);
        return;
    }
    // A skipped line repeats what an earlier resumed run found; it changes nothing.
    if (fields.status == "skipped")
        return;
    const bool converted = fields.status == "converted" && fields.method == m_target.method;
    take(fields.path, converted, converted && sameOptions(fields.options), fields.options);
}

// A line the scanner leaves to a full parser: valid JSON of a rarer shape, or no JSON at all.
void JournalPass::takeUnusualLine(QByteArrayView line) {
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray());
    if (!document.isObject())
        return;
    const QJsonObject record = document.object();
    const QJsonValue path = record.value(QLatin1String("path"));
    if (!path.isString())
        return;
    const QString status = record.value(QLatin1String("status")).toString();
    if (status == QLatin1String("skipped"))
        return;
    const bool converted =
        status == QLatin1String("converted") &&
        record.value(QLatin1String("method")).toString().toUtf8() == m_target.method;
    const QJsonObject options = record.value(QLatin1String("options")).toObject();
    const bool same = converted && SameOptions(options, m_target.options, m_paths);
    const QByteArray written = m_target.partOptions.empty()
                                   ? QByteArray()
                                   : QJsonDocument(options).toJson(QJsonDocument::Compact);
    const QByteArray encoded = encodeFileName(path.toString());
    take(encoded, converted, same, written);
}

bool JournalPass::sameOptions(QByteArrayView options) {
    if (options == m_lastOptions)
        return m_lastSame;
    const QByteArray written = options.toByteArray();
    const auto seen = m_optionsSeen.constFind(written);
    bool same = false;
    if (seen != m_optionsSeen.constEnd()) {
        same = seen.value();
    } else {
        same = SameOptions(QJsonDocument::fromJson(written).object(), m_target.options, m_paths);
        if (m_optionsSeen.size() < MaxOptionSetsKept)
            m_optionsSeen.insert(written, same);
    }
    m_lastOptions = written;
    m_lastSame = same;
    return same;
}

void JournalPass::take(QByteArrayView path, bool converted, bool same, QByteArrayView options) {
    PendingLine& line = m_pending[m_pendingCount++];
    const QByteArrayView clean = m_paths.clean(path);
    line.cleanPath.resize(0);
    line.cleanPath.append(clean);
    line.key = KeyOfCleanPath(clean);
    line.converted = converted;
    line.same = same;
    line.options.resize(0);
    if (converted && !m_target.partOptions.empty())
        line.options.append(options);
    if (m_pendingCount == Batch)
        finish();
}

void JournalPass::finish() {
    for (std::size_t n = 0; n < m_pendingCount; ++n)
        m_target.listed->prefetch(m_pending[n].key);
    for (std::size_t n = 0; n < m_pendingCount; ++n) {
        const PendingLine& line = m_pending[n];
        const Verdict verdict = line.same ? Done : NotDone;
        const quint32 position = m_target.listed->find(line.key);
        if (position != PathKeyTable::Absent)
            m_verdicts[position] = verdictAt(position, line);
        // Not listed itself: kept only when it may be a PDF of a listed folder.
        else if (m_target.folders && (m_below.find(line.key) != PathKeyTable::Absent ||
                                      belowListedPath(line.cleanPath)))
            m_below.set(line.key, verdict);
    }
    m_pendingCount = 0;
}

// A divided PDF is done when a line says so with the pages of this share's part.
JournalPass::Verdict JournalPass::verdictAt(quint32 position, const PendingLine& line) {
    const auto part = m_target.partOptions.find(position);
    if (part == m_target.partOptions.end())
        return line.same ? Done : NotDone;
    const QJsonObject written = QJsonDocument::fromJson(line.options).object();
    return line.converted && SameOptions(written, part->second, m_paths) ? Done : NotDone;
}

bool JournalPass::belowListedPath(QByteArrayView cleanPath) const {
    for (qsizetype slash = cleanPath.lastIndexOf('/'); slash >= 0;
         slash = cleanPath.first(slash).lastIndexOf('/')) {
        const QByteArrayView parent = cleanPath.first(slash == 0 ? 1 : slash);
        if (m_target.listed->find(KeyOfCleanPath(parent)) != PathKeyTable::Absent)
            return true;
        if (slash == 0)
            return false;
    }
    return false;
}
