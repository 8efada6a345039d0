#pragma once

#include "WriteFault.h"

#include <QIODevice>
#include <QString>

// A file that appears under its final name only once it is complete, replacing any file of
// that name. It is written unnamed where the file system allows (a server killed mid-save then
// leaves nothing behind); elsewhere under a short hidden part-file name (protocol/PartFile.h),
// whatever the length of the final name, so any name the folder can hold can be written. A
// client that sees a server die mid-save removes that server's part files in the folder.
class ReplacingFile : public QIODevice {
public:
    ReplacingFile() = default;
    ~ReplacingFile() override; // discards the file unless committed
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the new file for target; on failure fault() and errorText() say why.
    bool create(const QString& target);
    // Puts the complete file in place of the target.
    bool commit();

    Fault fault() const { return m_fault; }
    QString errorText() const { return m_errorText; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool fail(int error);
    bool openNamed(const QByteArray& folder);
    bool linkUnnamed();
    void discard();

    QString m_target;
    QByteArray m_folder;
    QByteArray m_partPath; // empty while the file has no name
    int m_fd = -1;
    Fault m_fault = Fault::None;
    QString m_errorText;
};
