#pragma once

#include <QString>

#include <memory>

class QSettings;

// The four choices the window keeps from one run to the next, as the texts its controls hold.
struct StoredChoices {
    QString localFolder;
    QString option;
    QString resolution;
    QString pages;

    bool operator==(const StoredChoices&) const = default;
};

// The per-user settings store: application "Tarnwick", section "Pagekiln". Values are texts,
// stored and read back unchanged; nothing is converted or checked here. One store is opened
// for the object's life; a write is in the store at once and reaches the disk with the next
// pass of the event loop, or at flush().
class AppSettings {
public:
    enum class Key { LocalFolder, Option, Resolution, Pages };

    AppSettings();
    ~AppSettings();
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    // The stored choices; a key that is absent gives its default.
    StoredChoices read() const;
    void write(Key key, const QString& value);
    // Puts every write made so far on the disk now.
    void flush();

    // The name of key in the store: "Local Folder", "Option", "Resolution", "Pages".
    static QString keyName(Key key);
    // The choices of an empty store; the output folder is the user's home folder and "/".
    static StoredChoices defaults();

private:
    std::unique_ptr<QSettings> m_store;
};
