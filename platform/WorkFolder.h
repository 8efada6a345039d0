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
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); } // no trailing separator

    // path() + "/" + name + "/", created when missing.
    QString subfolder(const QString& name) const;

private:
    QTemporaryDir m_dir;
};
