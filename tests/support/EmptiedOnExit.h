#pragma once

#include <QByteArray>

#include <dirent.h>
#include <memory>
#include <unistd.h>

// Removes everything below folder when it goes, names that are not UTF-8 too: QTemporaryDir
// reads those as other names and leaves them behind.
class EmptiedOnExit {
public:
    explicit EmptiedOnExit(QByteArray folder) : m_folder(std::move(folder)) {}
    ~EmptiedOnExit() { removeBelow(m_folder); }
    EmptiedOnExit(const EmptiedOnExit&) = delete;
    EmptiedOnExit& operator=(const EmptiedOnExit&) = delete;

private:
    static void removeBelow(const QByteArray& folder) {
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.constData()), &::closedir);
        if (!dir)
            return;
        while (const dirent* entry = ::readdir(dir.get())) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            const QByteArray path = folder + '/' + name;
            if (entry->d_type == DT_DIR) {
                removeBelow(path);
                ::rmdir(path.constData());
            } else {
                ::unlink(path.constData());
            }
        }
    }

    QByteArray m_folder;
};
