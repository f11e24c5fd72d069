#include "platform/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <optional>

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

bool Refused(std::string why) {
    lastWriteProblem = std::move(why);
    return false;
}

// The new file, until it has taken the old one's place.
class NewFile {
  public:
    explicit NewFile(std::string path) : path_(std::move(path)) {}
    ~NewFile() {
        if (fd_ >= 0) close(fd_);
        if (!kept_) unlink(path_.c_str());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // False with errno set when it cannot be made.
    bool Create() {
        fd_ = mkostemp(path_.data(), O_CLOEXEC);
        return fd_ >= 0;
    }
    bool Write(const QByteArray& bytes) {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t wrote =
                write(fd_, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote < 0) return false;
            done += wrote;
        }
        return true;
    }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }
    // QSettings replaces the file it edits by a new one: flushes whatever stands there now.
    bool Flush() const {
        const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool flushed = fsync(fd) == 0;
        const int error = errno;
        close(fd);
        errno = error;
        return flushed;
    }
    bool Replace(const std::string& target) {
        kept_ = rename(path_.c_str(), target.c_str()) == 0;
        return kept_;
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    int fd_ = -1;
    bool kept_ = false;
};

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Writes the settings file anew with `key` of `section` set to `value`, or removed when there is
// none. The old text is copied into a new file
// beside it, QSettings edits the copy, and the copy, on disk, takes the old file's place in one
// rename: the old file is never written into, so a refused write leaves it whole, and the reason
// given is the system's answer to the step that failed.
bool Rewrite(const std::string& app, const std::string& section, const std::string& key,
             const std::optional<std::string>& value) {
    const QFileInfo file(SettingsFile(app));
    if (file.isDir()) return Refused("it is a folder, not a file");
    if (!IsFileOrAbsent(file)) return Refused("it is not a regular file");
    // A link to the file stays a link: the file it names is replaced.
    const QString target = file.isSymLink() ? file.symLinkTarget() : file.absoluteFilePath();
    const QFileInfo targetInfo(target);
    if (!QDir().mkpath(targetInfo.absolutePath())) return Refused("its folder cannot be made");

    struct stat old = {};
    const bool existed = stat(target.toLocal8Bit().constData(), &old) == 0;
    QByteArray text;
    if (existed) {
        QFile oldFile(target);
        if (!oldFile.open(QIODevice::ReadOnly)) return Refused("the file cannot be read");
        text = oldFile.readAll();
    }
    NewFile copy((targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName() +
                  QStringLiteral("-XXXXXX"))
                     .toLocal8Bit()
                     .toStdString());
    if (!copy.Create() || !copy.Write(text) || !copy.Close()) return Refused(Plainly(errno));
    {
        QSettings store(QString::fromLocal8Bit(copy.Path().c_str()), QSettings::IniFormat);
        store.beginGroup(QString::fromStdString(section));
        if (value) {
            store.setValue(QString::fromStdString(key), QString::fromStdString(*value));
        } else {
            store.remove(QString::fromStdString(key));
        }
        store.endGroup();
        store.sync();
        // A FormatError only says the old text had lines QSettings could not read (a byte-order
        // mark, say); the copy was written all the same.
        if (store.status() == QSettings::AccessError)
            return Refused("the system refused the write");
    }
    const char* path = copy.Path().c_str();
    if (chmod(path, existed ? (old.st_mode & 07777) : NewFileMode()) != 0) {
        return Refused(Plainly(errno));
    }
    // QSettings tells a changed file by its size and time, to the millisecond: a new text of the
    // old size must not read as unchanged. The file's clock ticks in steps of several milliseconds,
    // and a file bumped ahead of it once would otherwise take the same time again two writes later,
    // so every new file is later than the one it replaces.
    if (existed) {
        timespec times[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
        struct stat now = {};
        const auto milliseconds = [](const timespec& time) {
            return static_cast<long long>(time.tv_sec) * 1000 + time.tv_nsec / 1'000'000;
        };
        if (stat(path, &now) == 0 && milliseconds(now.st_mtim) <= milliseconds(old.st_mtim)) {
            times[1] = old.st_mtim;
            times[1].tv_nsec = (old.st_mtim.tv_nsec / 1'000'000 + 1) * 1'000'000;
            if (times[1].tv_nsec >= 1'000'000'000) {
                times[1].tv_nsec -= 1'000'000'000;
                ++times[1].tv_sec;
            }
            utimensat(AT_FDCWD, path, times, 0);
        }
    }
    if (!copy.Flush() || !copy.Replace(target.toLocal8Bit().toStdString())) {
        return Refused(Plainly(errno));
    }
    return true;
}

std::optional<std::string> StoredText(const std::string& app, const std::string& section,
                                      const std::string& key) {
    const QString path = SettingsFile(app);
    if (!IsFileOrAbsent(QFileInfo(path))) return std::nullopt;
    QSettings store(path, QSettings::IniFormat);
    store.beginGroup(QString::fromStdString(section));
    const QVariant value = store.value(QString::fromStdString(key));
    if (!value.isValid()) return std::nullopt;
    // A hand-edited value with unquoted commas reads back as a list; give it back as written.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    }
    return value.toString().toStdString();
}

}  // namespace

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    return StoredText(app, section, key).value_or(defaultValue);
}

bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value) {
    return Rewrite(app, section, key, value);
}

bool DeleteSetting(const std::string& app, const std::string& section, const std::string& key) {
    if (!StoredText(app, section, key)) return true;
    return Rewrite(app, section, key, std::nullopt);
}

std::string SettingsWriteFailure(const std::string& app) {
    return "Clavitap could not save your choices to " + SettingsFile(app).toStdString() + ": " +
           lastWriteProblem + ". The settings saved before stay as they were.";
}

}  // namespace platform
