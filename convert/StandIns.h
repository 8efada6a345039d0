#pragma once

#include "convert/InputChecks.h"

#include <QHash>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// The component servers are told their paths in JSON text, which holds valid Unicode only, so
// a name with bytes that are not UTF-8 (see platform/NativeNames.h) reaches them through a
// stand-in with a plain name in a private folder: the PDF through a link to it, an image
// through a file the server writes there and that is then moved to its own name. Any other
// path is handed over as it is, and then nothing is made. The stand-ins go with this object.
class StandIns {
public:
    // The stand-ins live below workFolder, or below the system's temporary folder without one.
    explicit StandIns(QString workFolder);
    ~StandIns();
    StandIns(const StandIns&) = delete;
    StandIns& operator=(const StandIns&) = delete;

    // The path the server opens for the PDF at pdfPath.
    QString source(const QString& pdfPath);

    // The path the server writes for the image whose own path is target.
    QString target(const QString& target);

    // The own path of a file the server wrote: for a stand-in of target(), or a file it wrote
    // beside one under a longer name ("<stand-in>_Page_2.jpg"), the own path (with the same
    // ending); any other path as it is.
    QString ownPath(const QString& written) const;

    // Moves the file the server wrote at written to its own path (nothing to do when they are
    // the same); the reason when it cannot be written there.
    Reason deliver(const QString& written, const QString& own,
                   const QString& outputFolderText) const;

private:
    QString newName(const QString& ending); // empty when no private folder can be made

    QString m_base;
    std::unique_ptr<QTemporaryDir> m_folder;
    int m_made = 0;
    QHash<QString, QString> m_sources; // own path -> link
    QHash<QString, QString> m_owners;  // stand-in stem -> own stem
};
