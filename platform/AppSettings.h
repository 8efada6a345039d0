#pragma once

#include <QString>

// The per-user settings store: application "Tarnwick", section "Pagekiln". Values are texts,
// stored and read back unchanged; nothing is converted or checked here.
class AppSettings {
public:
    static inline const QString LocalFolderKey = QStringLiteral("Local Folder");
    static inline const QString OptionKey = QStringLiteral("Option");
    static inline const QString ResolutionKey = QStringLiteral("Resolution");
    static inline const QString PagesKey = QStringLiteral("Pages");

    // The value stored under key, or fallback when the key is absent.
    QString read(const QString& key, const QString& fallback) const;
    void write(const QString& key, const QString& value);
    bool contains(const QString& key) const;

    // Defaults of the four keys.
    static QString defaultLocalFolder(); // the user's home folder followed by "/"
    static QString defaultOption() { return QStringLiteral("1"); }
    static QString defaultResolution() { return QStringLiteral("144"); }
    static QString defaultPages() { return QStringLiteral("1"); }
};
