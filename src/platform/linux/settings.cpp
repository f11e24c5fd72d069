#include "platform/settings.h"

#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <array>
#include <cerrno>
#include <cstring>

namespace platform {
namespace {

// Why the last write was refused, for SettingsWriteFailure.
std::string lastWriteProblem;

// $XDG_CONFIG_HOME/<app>/<app>.conf, one group per section: where QSettings keeps the settings of
// organisation and application <app>. The store opens that one file and no other.
QString SettingsFile(const std::string& app) {
    const QString name = QString::fromStdString(app);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + name +
           u'/' + name + QStringLiteral(".conf");
}

// Only a regular file is read or replaced: reading a FIFO or a device would wait forever, and
// whatever the user put there that is not a file is not ours to overwrite.
bool IsFileOrAbsent(const QFileInfo& file) {
    return !file.exists() || file.isFile();
}

std::string Plainly(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "Clavitap is not allowed to write in its folder";
        case EROFS:
            return "the disk it is on is read-only";
        case ENOSPC:
        case EDQUOT:
            return "the disk is full";
        default:
            return std::strerror(error);
    }
}

// Tries what the store does to write the file (a new file beside it, filled and flushed, that
// then replaces it) without touching the file itself, and says what stands in the way.
std::string WhyUnwritable(const QFileInfo& file) {
    if (file.isDir()) return "it is a folder, not a file";
    if (file.exists() && !file.isFile()) return "it is not a regular file";
    if (file.exists() && access(file.filePath().toLocal8Bit().constData(), W_OK) != 0) {
        return errno == EROFS ? Plainly(errno) : "the file is read-only";
    }
    const QString folder = file.absolutePath();
    if (!QDir().mkpath(folder)) return "its folder cannot be made";
    std::string probe = (folder + QStringLiteral("/.Clavitap-write-XXXXXX")).toStdString();
    const int fd = mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) return Plainly(errno);
    const std::array<char, 4096> block{};
    int error = 0;
    if (write(fd, block.data(), block.size()) < 0 || fsync(fd) != 0) error = errno;
    close(fd);
    unlink(probe.c_str());
    return error != 0 ? Plainly(error) : "the system refused the write";
}

}  // namespace

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    const QString path = SettingsFile(app);
    if (!IsFileOrAbsent(QFileInfo(path))) return defaultValue;
    QSettings store(path, QSettings::IniFormat);
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
    const QFileInfo file(SettingsFile(app));
    if (IsFileOrAbsent(file)) {
        QSettings store(file.filePath(), QSettings::IniFormat);
        store.beginGroup(QString::fromStdString(section));
        store.setValue(QString::fromStdString(key), QString::fromStdString(value));
        store.endGroup();
        store.sync();
        if (store.status() == QSettings::NoError) return true;
    }
    lastWriteProblem = WhyUnwritable(file);
    return false;
}

std::string SettingsWriteFailure(const std::string& app) {
    return "Clavitap could not save your choices to " + SettingsFile(app).toStdString() + ": " +
           lastWriteProblem + ". The settings saved before stay as they were.";
}

}  // namespace platform
