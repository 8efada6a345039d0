#include "platform/AppSettings.h"

#include <QDir>
#include <QSettings>

#include <memory>

namespace {

QString qualified(const QString& key) {
    return QStringLiteral("Pagekiln/") + key;
}

std::unique_ptr<QSettings> store() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Tarnwick"));
}

} // namespace

QString AppSettings::read(const QString& key, const QString& fallback) const {
    const QVariant value = store()->value(qualified(key));
    return value.isValid() ? value.toString() : fallback;
}

void AppSettings::write(const QString& key, const QString& value) {
    const auto settings = store();
    settings->setValue(qualified(key), value);
    settings->sync();
}

bool AppSettings::contains(const QString& key) const {
    return store()->contains(qualified(key));
}

QString AppSettings::defaultLocalFolder() {
    return QDir::homePath() + QLatin1Char('/');
}
