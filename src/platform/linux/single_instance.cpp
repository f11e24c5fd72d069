// One program per user session on Linux, and on X one per display. The running program listens
// on a local socket in the kernel's abstract namespace, named after the user, the session's
// runtime folder and (on X) the display: no file is involved, so a runtime folder that cannot be
// written, or odd files in it, change nothing; the kernel allows one listener per name, and drops
// the name when the process ends in any way, so of two simultaneous starts exactly one wins and a
// program that was killed blocks no start.
//
// The scope follows the key source. On X the keys are heard from the X server, so a program on
// another X display (a second X login of the same user, sharing the runtime folder) hears other
// keys and shows its window elsewhere: it runs on its own. Elsewhere the keys come from the
// computer's input devices, which every display of the session shares: a second program there
// would play every note twice, so one program serves the whole session, and a start on another
// display says where it runs.
#include "platform/single_instance.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cstdlib>
#include <string>

#include "platform/linux/main_window.h"
#include "platform/linux/session/environment.h"
#include "platform/linux/window_handles.h"
#include "platform/message_box.h"

namespace platform {
namespace {

constexpr int kAnswerWaitMs = 2000;
constexpr int kRetryMs = 50;
constexpr char kAnswer = '1';

// The window that later starts bring back; 0 until the running program has one.
Long answeringWindow = 0;

// The X display as the server it names: ":0", ":0.0" and "unix:0" are one display.
std::string XServer(std::string display) {
    const auto colon = display.rfind(':');
    if (colon == std::string::npos) return display;
    const auto dot = display.find('.', colon);
    if (dot != std::string::npos) display.erase(dot);
    if (display.compare(0, colon, "unix") == 0) display.erase(0, colon);
    return display;
}

// The display this start shows its window on.
std::string ThisDisplay() {
    return linux_::IsXSession() ? XServer(linux_::EnvironmentValue("DISPLAY"))
                                : linux_::EnvironmentValue("WAYLAND_DISPLAY");
}

// The socket's name: the user, the runtime folder and, on an X desktop, the X server, hashed to a
// fixed length that always fits a socket address.
QString SocketName() {
    const std::string scope = linux_::EnvironmentValue("XDG_RUNTIME_DIR") + '\n' +
                              (linux_::IsXSession() ? ThisDisplay() : std::string());
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(scope), QCryptographicHash::Sha256);
    return QStringLiteral("clavitap-%1-%2")
        .arg(getuid())
        .arg(QString::fromLatin1(hash.toHex().left(32)));
}

// True when the other end of `socket` runs as this user: the name is public, and a program of
// another user neither gets an answer nor is taken for ours.
bool PeerIsThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                      &size) == 0 &&
           peer.uid == getuid();
}

enum class Request { Answered, NoAnswer, Stranger };

// Asks the running program to bring its window back; on an answer, `itsDisplay` is the display
// that window is on.
Request AskRunningProgram(const QString& name, std::string& itsDisplay) {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name);
    if (!socket.waitForConnected(kRetryMs)) return Request::NoAnswer;
    if (!PeerIsThisUser(socket)) return Request::Stranger;
    char answer = 0;
    if (!socket.waitForReadyRead(kAnswerWaitMs) || !socket.getChar(&answer) || answer != kAnswer) {
        return Request::NoAnswer;
    }
    // The display's name follows, up to the end of the connection.
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kAnswerWaitMs);
    itsDisplay = socket.readAll().toStdString();
    return Request::Answered;
}

void BringBack(Long hWnd) {
    linux_::MainWindow* window = linux_::WindowFromHandle(hWnd);
    if (window == nullptr) return;
    if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->PostCallbackMessage(linux_::kMouseMove, linux_::kLeftButtonUp);
}

// The server is a child of the application, so it closes when the program ends. It answers from
// the start: a request that arrives while the program is still starting (a box from the start-up
// may be open) needs nothing more, as the window will show.
enum class Listening { Started, NameTaken, Impossible };
Listening Listen(const QString& name) {
    auto* server = new QLocalServer(QCoreApplication::instance());
    server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server->listen(name)) {
        const bool taken = server->serverError() == QAbstractSocket::AddressInUseError;
        delete server;
        return taken ? Listening::NameTaken : Listening::Impossible;
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* peer = server->nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            if (PeerIsThisUser(*peer)) {
                if (answeringWindow != 0) BringBack(answeringWindow);
                peer->putChar(kAnswer);
                peer->write(QByteArray::fromStdString(ThisDisplay()));
                peer->flush();
            }
            peer->disconnectFromServer();
        }
    });
    return Listening::Started;
}

}  // namespace

SessionClaim ClaimSession() {
    const QString name = SocketName();
    // A program that is still starting may not listen yet, and one that is ending may no longer
    // answer but still hold the name: ask again for a while, and take the name once it is free.
    QElapsedTimer waited;
    waited.start();
    do {
        const Listening listening = Listen(name);
        // Without a socket there is nothing to coordinate through: this start runs.
        if (listening != Listening::NameTaken) return SessionClaim::First;
        std::string itsDisplay;
        switch (AskRunningProgram(name, itsDisplay)) {
            case Request::Answered:
                // Shown on another display of the session, the window would come back unseen.
                if (!itsDisplay.empty() && itsDisplay != ThisDisplay()) {
                    MsgBox("Clavitap is already running on the display \"" + itsDisplay +
                           "\", where its window has been brought back. It hears the keys typed "
                           "here as well, so one Clavitap serves both displays.");
                }
                return SessionClaim::HandedOver;
            case Request::Stranger:  // another user holds the name: nothing to coordinate with
                return SessionClaim::First;
            case Request::NoAnswer:
                break;
        }
        QThread::msleep(kRetryMs);
    } while (waited.elapsed() < kAnswerWaitMs);
    MsgBox(
        "Clavitap is already running but does not answer. If its window does not appear, end "
        "that program and start Clavitap again.");
    return SessionClaim::NoAnswer;
}

void AnswerLaterStarts(Long hWnd) {
    answeringWindow = hWnd;
}

}  // namespace platform
