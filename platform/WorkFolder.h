#pragma once

#include <QString>
#include <QTemporaryDir>

// A private working folder for one running instance (or one parallel job), under the system's
// temporary folder, removed with everything in it when the object goes away. Converters work
// on their copies here, so two instances never see each other's pages and the program folder
// may stay read-only.
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

private:
    QTemporaryDir m_dir;
    bool m_removed = false;
};
