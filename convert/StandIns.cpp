#include "convert/StandIns.h"

#include "platform/ExactFiles.h"
#include "platform/FileCopy.h"
#include "platform/NativeNames.h"

#include <QDir>

namespace {

const QString kImageEnding = QStringLiteral(".jpg");

QString stemOf(const QString& path) {
    return path.endsWith(kImageEnding, Qt::CaseInsensitive) ? path.chopped(kImageEnding.size())
                                                            : path;
}

} // namespace

StandIns::StandIns(QString workFolder)
    : m_base(workFolder.isEmpty() ? QDir::tempPath() : std::move(workFolder)) {}

StandIns::~StandIns() = default; // the private folder goes with everything in it

QString StandIns::newName(const QString& ending) {
    if (!m_folder) {
        m_folder = std::make_unique<QTemporaryDir>(m_base + QStringLiteral("/names-XXXXXX"));
        if (!m_folder->isValid())
            return {};
    }
    return m_folder->filePath(QString::number(++m_made) + ending);
}

QString StandIns::source(const QString& pdfPath) {
    if (!holdsRawBytes(pdfPath))
        return pdfPath;
    if (const auto known = m_sources.constFind(pdfPath); known != m_sources.cend())
        return *known;
    // The link needs the PDF's absolute path: it is read from the link's own folder.
    const QString absolute =
        QDir::isAbsolutePath(pdfPath) ? pdfPath : QDir::currentPath() + QLatin1Char('/') + pdfPath;
    const QString link = newName(QStringLiteral(".pdf"));
    if (link.isEmpty() || makeLink(absolute, link) != 0)
        return pdfPath; // the server then says it cannot open it
    m_sources.insert(pdfPath, link);
    return link;
}

QString StandIns::target(const QString& target) {
    if (!holdsRawBytes(target))
        return target;
    const QString standIn = newName(kImageEnding);
    if (standIn.isEmpty())
        return target;
    m_owners.insert(stemOf(standIn), stemOf(target));
    return standIn;
}

QString StandIns::ownPath(const QString& written) const {
    if (m_owners.isEmpty())
        return written;
    const QString stem = stemOf(written);
    for (auto owner = m_owners.cbegin(); owner != m_owners.cend(); ++owner) {
        const QString& standIn = owner.key();
        if (!stem.startsWith(standIn))
            continue;
        // "7_Page_2" belongs to "7", "17" does not belong to "1".
        const QStringView rest = QStringView(stem).mid(standIn.size());
        if (rest.isEmpty() || !rest.front().isDigit())
            return owner.value() + written.mid(standIn.size());
    }
    return written;
}

Reason StandIns::deliver(const QString& written, const QString& own,
                         const QString& outputFolderText) const {
    if (written == own)
        return {};
    const CopyResult moved = moveReplacing(written, own);
    return moved.ok() ? Reason{} : copyOutProblem(moved, own, outputFolderText);
}
