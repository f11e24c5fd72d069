// Preloaded into the whole program under test (LD_PRELOAD), so that a test can read what its
// message boxes say without the program knowing: when the program's QApplication is built, a
// BoxWatch is installed on it that appends every box's text and a line break to the file named
// by CLAVITAP_TEST_BOX_LOG. With CLAVITAP_TEST_BOX_CLOSE_MS set, each box is then accepted after
// that many milliseconds; otherwise the test closes boxes itself, as a user would.
#include <QCoreApplication>
#include <QFile>

#include "tests/linux/ui/box_watch.h"

namespace {

void InstallBoxLog() {
    const QString path = qEnvironmentVariable("CLAVITAP_TEST_BOX_LOG");
    if (path.isEmpty()) return;
    bool closes = false;
    const int closeAfterMs = qEnvironmentVariableIntValue("CLAVITAP_TEST_BOX_CLOSE_MS", &closes);
    auto* watch = new uitest::BoxWatch(
        [path](const QString& text) {
            QFile log(path);
            if (log.open(QIODevice::Append)) log.write((text + QLatin1Char('\n')).toUtf8());
        },
        closes ? closeAfterMs : -1);
    watch->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watch);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallBoxLog)
