#pragma once

#include "platform/FileNames.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// The page files an export is to write, looked at before it starts, so that after an export
// that stopped part way the pages it wrote are known even when the export server could not say
// (it was ended, or died): a page counts as written when its file is there and is not the one
// that was there before. Saves are whole or nothing, so such a file is a whole page.
class ExportedPages {
public:
    ExportedPages() = default;
    explicit ExportedPages(QStringList targets);

    // The files SaveAs writes for the pages chosen of a document of pageCount pages: a
    // one-page document to output itself, otherwise page n to output without ".jpg" followed
    // by "_Page_<n>.jpg".
    static QStringList targetsFor(const QString& output, const std::vector<int>& pages,
                                  int pageCount);

    const QStringList& targets() const { return m_targets; }

    // The pages an export wrote before it stopped: those its answer names (an array of paths),
    // or else the targets written since this was made, in page order.
    QStringList written(const QJsonValue& answered) const;

    // The first target not among written: the page an export stopped at; empty when none.
    QString firstNotWritten(const QStringList& written) const;

private:
    QStringList m_targets;
    QList<FileIdentity> m_before;
};
