#include "cli/ReportJournal.h"

#include "cli/RecordReader.h"

#include <QFile>

#include <algorithm>
#include <thread>

namespace {

// Takes the lines of a report, or of the part limit bytes long (negative: to the end) where
// the device stands, into pass. A line without its line end was cut short by a stop: never
// taken as done.
QString readLines(QIODevice& report, JournalPass& pass, qint64 limit = -1) {
    RecordReader reader(report, '\n', limit);
    RecordReader::Record line;
    while (reader.next(line) && line.ended)
        pass.takeLine(line.bytes);
    pass.finish();
    return reader.error();
}

// Where the first line after the middle of the file starts; -1 when there is none.
qint64 middleLineStart(QFile& file) {
    constexpr qint64 Step = 1 << 20;
    for (qint64 at = file.size() / 2; at < file.size(); at += Step) {
        if (!file.seek(at))
            return -1;
        const QByteArray bytes = file.read(Step);
        if (const qsizetype end = bytes.indexOf('\n'); end >= 0)
            return at + end + 1 < file.size() ? at + end + 1 : -1;
        if (bytes.isEmpty())
            return -1;
    }
    return -1;
}

} // namespace

ResumeJournal::ResumeJournal(const PathList& paths, const ResumeQuery& query)
    : m_listed(paths.size()), m_target{&m_listed,
                                       paths.size(),
                                       query.settings.options(),
                                       query.settings.method.toUtf8(),
                                       query.currentFolder,
                                       query.folders,
                                       {}},
      m_paths(query.currentFolder), m_done(static_cast<std::size_t>(paths.size()), 0) {
    for (const auto& [position, pages] : query.partPages) {
        ReportSettings part = query.settings;
        part.pages = pages;
        m_target.partOptions.emplace(static_cast<quint32>(position), part.options());
    }
    insertListed(paths, query.currentFolder);
}

// Keys are made a batch at a time, the batch's two halves side by side on two threads, and go
// into the table 32 at a time with their slots fetched first: the table is far larger than the
// processor's caches, and the 32 wait for memory together instead of in turn.
void ResumeJournal::insertListed(const PathList& paths, const QByteArray& currentFolder) {
    constexpr std::size_t Batch = std::size_t(1) << 15;
    constexpr std::size_t SplitFrom = 1024; // a smaller batch is not worth a second thread
    constexpr std::size_t Fetched = 32;
    std::vector<QByteArrayView> batch;
    batch.reserve(Batch);
    std::vector<PathKey> keys(Batch);
    PathNormaliser secondPaths(currentFolder);
    quint32 position = 0;
    auto insertBatch = [&] {
        const std::size_t half = batch.size() >= SplitFrom ? batch.size() / 2 : batch.size();
        std::thread second;
        if (half < batch.size())
            second = std::thread([&] {
                for (std::size_t n = half; n < batch.size(); ++n)
                    keys[n] = secondPaths.key(batch[n]);
            });
        for (std::size_t n = 0; n < half; ++n)
            keys[n] = m_paths.key(batch[n]);
        if (second.joinable())
            second.join();
        for (std::size_t from = 0; from < batch.size(); from += Fetched) {
            const std::size_t to = std::min(batch.size(), from + Fetched);
            for (std::size_t n = from; n < to; ++n)
                m_listed.prefetch(keys[n]);
            for (std::size_t n = from; n < to; ++n, ++position) {
                const quint32 first = m_listed.insert(keys[n], position);
                if (first != PathKeyTable::Absent)
                    m_repeats.emplace_back(position, first);
            }
        }
        batch.clear();
    };
    for (const QByteArrayView path : paths) {
        batch.push_back(path);
        if (batch.size() == Batch)
            insertBatch();
    }
    insertBatch();
}

QString ResumeJournal::read(QIODevice& report) {
    JournalPass pass(m_target);
    const QString error = readLines(report, pass);
    takePasses({&pass});
    return error;
}

QString ResumeJournal::readFile(const QString& reportFile, qint64 splitAbove) {
    QFile first(reportFile);
    if (!first.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return first.errorString();
    const qint64 middle = first.size() > splitAbove ? middleLineStart(first) : -1;
    // Finding the middle moved the file's position: both readings start where they should.
    if (!first.seek(0))
        return first.errorString();
    if (middle < 0)
        return read(first);
    QFile second(reportFile);
    if (!second.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !second.seek(middle))
        return second.errorString();
    JournalPass early(m_target);
    JournalPass late(m_target);
    QString lateError;
    std::thread lateReader([&] { lateError = readLines(second, late); });
    const QString earlyError = readLines(first, early, middle);
    lateReader.join();
    takePasses({&early, &late});
    return earlyError.isEmpty() ? lateError : earlyError;
}

void ResumeJournal::takePasses(const std::vector<const JournalPass*>& passes) {
    for (const JournalPass* pass : passes) {
        const std::vector<quint8>& verdicts = pass->verdicts();
        for (std::size_t position = 0; position < verdicts.size(); ++position) {
            if (verdicts[position] != JournalPass::Unsaid)
                m_done[position] = verdicts[position] == JournalPass::Done ? 1 : 0;
        }
        pass->below().forEach([this](PathKey key, quint32 verdict) { m_below.set(key, verdict); });
    }
    for (const auto& [later, first] : m_repeats)
        m_done[later] = m_done[first];
}

bool ResumeJournal::isDone(QByteArrayView path) {
    const PathKey key = m_paths.key(path);
    if (const quint32 position = m_listed.find(key); position != PathKeyTable::Absent)
        return m_done[position] != 0;
    return m_below.find(key) == JournalPass::Done;
}

QString ReadReportFile(const QString& reportFile, ResumeJournal& journal) {
    if (!QFile::exists(reportFile))
        return {};
    const QString error = journal.readFile(reportFile);
    if (error.isEmpty())
        return {};
    return QStringLiteral("cannot read the report %1: %2").arg(reportFile, error);
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
