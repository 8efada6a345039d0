#pragma once

#include "platform/ExactFiles.h"
#include "platform/FileCopy.h"
#include "platform/UserInterface.h"
#include "support/EmptiedOnExit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>

#include <dirent.h>
#include <memory>
#include <unistd.h>

// The window's pointer as the list and the folder command see it, with every change recorded.
class RecordingWindowPointer : public WindowPointer {
public:
    MousePointer pointer = MousePointer::Default;
    QList<MousePointer> changes;

    MousePointer windowPointer() const override { return pointer; }
    void setWindowPointer(MousePointer p) override {
        pointer = p;
        changes.append(p);
    }
};

// Creates the given paths below root: a path ending in "/" is a folder, anything else an
// empty file (its folders made as needed); root itself is always made. Names are made byte for
// byte, those that are not UTF-8 too (platform/NativeNames.h). Returns false when something
// could not be made.
inline bool makeTree(const QString& root, const QStringList& paths) {
    if (!makeFolders(root))
        return false;
    for (const QString& path : paths) {
        const QString full = root + QLatin1Char('/') + path;
        if (path.endsWith(QLatin1Char('/'))) {
            if (!makeFolders(full))
                return false;
            continue;
        }
        if (!makeFolders(QFileInfo(full).path()) || writePrivateFile(full, {}) != 0)
            return false;
    }
    return true;
}

// root + "/" + each relative path.
inline QStringList under(const QString& root, const QStringList& relative) {
    QStringList full;
    for (const QString& path : relative)
        full.append(root + QLatin1Char('/') + path);
    return full;
}
