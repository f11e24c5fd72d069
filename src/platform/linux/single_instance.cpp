// One program per user session on Linux. The running program holds an exclusive lock on
// "clavitap.lock" in the runtime folder for its whole life and listens on "clavitap.socket" beside
// it. The kernel drops the lock when the process ends in any way, so the lock, not the socket file,
// says whether a program runs: a socket left by a killed program is removed by the next start that
// wins the lock, and of two simultaneous starts exactly one wins it.
#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>

#include "platform/linux/main_window.h"
#include "platform/linux/qt/tray_clicks.h"
#include "platform/linux/window_handles.h"

namespace platform {
namespace {

constexpr int kAnswerWaitMs = 2000;
constexpr int kRetryMs = 50;
constexpr char kAnswer = '1';

// The window that later starts bring back; 0 until the running program has one.
Long answeringWindow = 0;

QString RuntimeFolder() {
    // $XDG_RUNTIME_DIR, or a private folder Qt makes when the session has none.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

enum class Lock { Taken, Busy, Unavailable };

// Taken: this process now holds the session lock. The descriptor stays open, without being
// inherited by the programs the links start, until the process ends.
Lock TakeLock(const QString& folder) {
    const QByteArray path = QDir(folder).filePath(QStringLiteral("clavitap.lock")).toLocal8Bit();
    const int fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Lock::Unavailable;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return Lock::Taken;
    close(fd);
    return Lock::Busy;
}

// Asks the running program to bring its window back. True when it answered.
bool AskRunningProgram(const QString& socketPath) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(kRetryMs)) return false;
    char answer = 0;
    return socket.waitForReadyRead(kAnswerWaitMs) && socket.getChar(&answer) && answer == kAnswer;
}

void BringBack(Long hWnd) {
    linux_::MainWindow* window = linux_::WindowFromHandle(hWnd);
    if (window == nullptr) return;
    if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->PostCallbackMessage(linux_::kMouseMove, linux_::kLeftButtonUp);
}

// The server is a child of the application, so it closes (and removes its socket file) when the
// program ends. It answers from the start: a request that arrives while the program is still
// starting (a box from the start-up may be open) needs nothing more, as the window will show.
void Listen(const QString& socketPath) {
    auto* server = new QLocalServer(QCoreApplication::instance());
    server->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* peer = server->nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            if (answeringWindow != 0) BringBack(answeringWindow);
            peer->putChar(kAnswer);
            peer->flush();
            peer->disconnectFromServer();
        }
    });
    server->listen(socketPath);
}

}  // namespace

SessionClaim ClaimSession() {
    const QString folder = RuntimeFolder();
    if (folder.isEmpty()) return SessionClaim::First;
    const QString socketPath = QDir(folder).filePath(QStringLiteral("clavitap.socket"));
    // A program that is still starting may not listen yet, and one that is ending may have closed
    // its socket but still hold the lock: ask again for a while, and take the lock once it is free.
    QElapsedTimer waited;
    waited.start();
    do {
        const Lock lock = TakeLock(folder);
        // Without a lock file there is nothing to coordinate through: this start runs.
        if (lock == Lock::Unavailable) return SessionClaim::First;
        if (lock == Lock::Taken) {
            QLocalServer::removeServer(socketPath);  // left by a program that was killed
            Listen(socketPath);
            return SessionClaim::First;
        }
        if (AskRunningProgram(socketPath)) return SessionClaim::HandedOver;
        QThread::msleep(kRetryMs);
    } while (waited.elapsed() < kAnswerWaitMs);
    std::fputs(
        "Clavitap is already running but does not answer. If its window does not appear, end "
        "that program and start Clavitap again.\n",
        stderr);
    return SessionClaim::NoAnswer;
}

void AnswerLaterStarts(Long hWnd) {
    answeringWindow = hWnd;
}

}  // namespace platform
