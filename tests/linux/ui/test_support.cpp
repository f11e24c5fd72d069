#include "tests/linux/ui/test_support.h"

#include "tests/linux/ui/box_watch.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <cstdlib>

namespace uitest {
namespace {

QString& ProcessFolder() {
    static QString folder;
    return folder;
}

QStringList& ShownBoxes() {
    static QStringList texts;
    return texts;
}

}  // namespace

void PrepareProcessEnvironment() {
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/clavitap-ui-test-XXXXXX"));
    ProcessFolder() = folder.path();
    QDir(folder.path()).mkpath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", (folder.path() + QStringLiteral("/config")).toUtf8());
    // Qt wants a private runtime folder; a bare test machine may not provide one.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = folder.path() + QStringLiteral("/runtime");
        QDir(folder.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    }
}

QString ConfigFile() {
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Clavitap/Clavitap.conf");
}

void RemoveSettings() {
    QFile::remove(ConfigFile());
}

QString ReadTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

void WatchMessageBoxes() {
    constexpr int kCloseAfterMs = 50;
    auto* watch =
        new BoxWatch([](const QString& text) { ShownBoxes().append(text); }, kCloseAfterMs);
    watch->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watch);
}

QStringList MessageBoxes() {
    return ShownBoxes();
}

void ClearMessageBoxes() {
    ShownBoxes().clear();
}

QWidget* Control(const QWidget& window, std::string_view name) {
    return window.findChild<QWidget*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly);
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace uitest
