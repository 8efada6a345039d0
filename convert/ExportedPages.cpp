#include "convert/ExportedPages.h"

#include <QJsonArray>

ExportedPages::ExportedPages(QStringList targets) : m_targets(std::move(targets)) {
    m_before.reserve(m_targets.size());
    for (const QString& target : std::as_const(m_targets))
        m_before.append(IdentifyFile(target));
}

QStringList ExportedPages::targetsFor(const QString& output, const std::vector<int>& pages,
                                      int pageCount) {
    if (pageCount == 1)
        return pages.empty() ? QStringList{} : QStringList{output};
    QString stem = output;
    if (stem.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive))
        stem.chop(4);
    QStringList targets;
    for (const int page : pages)
        targets.append(stem + QStringLiteral("_Page_%1.jpg").arg(page));
    return targets;
}

QStringList ExportedPages::written(const QJsonValue& answered) const {
    QStringList paths;
    if (answered.isArray()) {
        for (const QJsonValue& path : answered.toArray())
            paths.append(path.toString());
        return paths;
    }
    for (qsizetype i = 0; i < m_targets.size(); ++i) {
        const FileIdentity now = IdentifyFile(m_targets.at(i));
        if (now.exists && now != m_before.at(i))
            paths.append(m_targets.at(i));
    }
    return paths;
}

QString ExportedPages::firstNotWritten(const QStringList& written) const {
    for (const QString& target : m_targets) {
        if (!written.contains(target))
            return target;
    }
    return {};
}
