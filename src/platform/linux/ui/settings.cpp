#include "platform/settings.h"

#include <QSettings>
#include <QStringList>

namespace platform {
namespace {

// Organisation and application both carry the application's name, so that the values live in
// $XDG_CONFIG_HOME/<app>/<app>.conf, one group per section.
QSettings OpenStore(const std::string& app) {
    const QString name = QString::fromStdString(app);
    return {QSettings::NativeFormat, QSettings::UserScope, name, name};
}

}  // namespace

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    QSettings store = OpenStore(app);
    store.beginGroup(QString::fromStdString(section));
    const QVariant value = store.value(QString::fromStdString(key));
    if (!value.isValid()) return defaultValue;
    // A hand-edited value with unquoted commas reads back as a list; give it back as written.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    }
    return value.toString().toStdString();
}

bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value) {
    QSettings store = OpenStore(app);
    store.beginGroup(QString::fromStdString(section));
    store.setValue(QString::fromStdString(key), QString::fromStdString(value));
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

}  // namespace platform
