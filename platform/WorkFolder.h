#pragma once

#include <QString>
#include <QTemporaryDir>

// A private working folder for one running instance (or one parallel job), under the system's
// temporary folder, removed with everything in it when the object goes away. Converters work
// on their copies here, so two instances never see each other's pages and the program folder
// may stay read-only.
//
// An instance that is killed cannot remove its folder, and the folder holds a copy of the
// user's PDF and its pages. So each folder names its owner in a small file, and the next
// instance to start removes the folders whose owner no longer runs.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); } // no trailing separator

    // path() + "/" + name + "/", created when missing.
    QString subfolder(const QString& name) const;

    // Removes the folder and everything in it now. A converter that is still running may put
    // a new page in between the emptying and the removal of a folder; the removal is then
    // tried again, and once a folder is gone nothing can be written into it. True when the
    // folder is gone.
    bool removeNow();

    // Name of the file that records the owner: "<boot id> <process id> <start time>".
    static const QString OwnerFileName;

private:
    QTemporaryDir m_dir;
    bool m_removed = false;
};

// Who runs as processId now: the owner record a working folder of that process would hold,
// or an empty text when no such process runs.
QString ownerRecordOf(qint64 processId);

// Removes the working folders in tempFolder whose recorded owner no longer runs (ended, or its
// process id now belongs to another process, or the machine was restarted since). Folders of
// other users and folders without an owner record are left alone. Returns how many went.
int removeStaleWorkFolders(const QString& tempFolder);
int removeStaleWorkFolders(); // in the system's temporary folder
