#include "platform/AppSettings.h"

#include <QDir>
#include <QSettings>

namespace {

QString qualified(AppSettings::Key key) {
    return QStringLiteral("Pagekiln/") + AppSettings::keyName(key);
}

} // namespace

AppSettings::AppSettings()
    : m_store(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                          QStringLiteral("Tarnwick"))) {}

AppSettings::~AppSettings() = default;

QString AppSettings::keyName(Key key) {
    switch (key) {
    case Key::LocalFolder:
        return QStringLiteral("Local Folder");
    case Key::Option:
        return QStringLiteral("Option");
    case Key::Resolution:
        return QStringLiteral("Resolution");
    case Key::Pages:
        break;
    }
    return QStringLiteral("Pages");
}

StoredChoices AppSettings::defaults() {
    return {QDir::homePath() + QLatin1Char('/'), QStringLiteral("1"), QStringLiteral("144"),
            QStringLiteral("1")};
}

StoredChoices AppSettings::read() const {
    const StoredChoices fallback = defaults();
    const auto value = [this](Key key, const QString& absent) {
        const QVariant stored = m_store->value(qualified(key));
        return stored.isValid() ? stored.toString() : absent;
    };
    return {value(Key::LocalFolder, fallback.localFolder), value(Key::Option, fallback.option),
            value(Key::Resolution, fallback.resolution), value(Key::Pages, fallback.pages)};
}

void AppSettings::write(Key key, const QString& value) {
    m_store->setValue(qualified(key), value);
}

void AppSettings::flush() {
    m_store->sync();
}
