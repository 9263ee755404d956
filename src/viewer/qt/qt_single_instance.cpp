#include "viewer/qt/qt_single_instance.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QList>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <cstdlib>
#include <utility>

namespace {

// What a new instance sends to the running one, and the first word of the
// running one's answer: "running", its mode, window system and display,
// tab-separated, on one line.
const QByteArray ActivateRequest = QByteArrayLiteral("activate\n");
const QByteArray RunningWord = QByteArrayLiteral("running");

QByteArray AnswerOf(const InstanceIdentity &identity)
{
    return RunningWord + '\t' + (identity.Unsuppressed ? "unsuppressed" : "normal") + '\t'
        + identity.Platform.toUtf8() + '\t' + identity.Display.toUtf8() + '\n';
}

std::optional<InstanceIdentity> IdentityOf(const QByteArray &answer)
{
    const QList<QByteArray> fields = answer.trimmed().split('\t');
    if (fields.size() < 3 || fields[0] != RunningWord)
        return std::nullopt;
    InstanceIdentity identity;
    identity.Unsuppressed = fields[1] == "unsuppressed";
    identity.Platform = QString::fromUtf8(fields[2]);
    identity.Display = fields.size() > 3 ? QString::fromUtf8(fields[3]) : QString();
    return identity;
}

QString ModeName(bool unsuppressed)
{
    return unsuppressed ? QStringLiteral("unsuppressed") : QStringLiteral("normal");
}

bool SameDisplay(const InstanceIdentity &a, const InstanceIdentity &b)
{
    return a.Platform == b.Platform && a.Display == b.Display;
}

QString DisplayName(const InstanceIdentity &identity)
{
    return identity.Display.isEmpty() ? identity.Platform : identity.Display;
}

QString UserName()
{
    for (const char *variable : {"USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("user");
}

} // namespace

InstanceIdentity DisplayOf(const QString &platform, const QString &display, const QStringList &arguments)
{
    InstanceIdentity identity;
    identity.Platform = platform;
    if (platform == QStringLiteral("xcb")) {
        QString name = display;
        for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
            if (arguments[i] == QStringLiteral("-display") || arguments[i] == QStringLiteral("--display"))
                name = arguments[i + 1];
        }
        // The screen number does not make another display.
        const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
        const qsizetype dot = name.indexOf(QLatin1Char('.'), colon);
        if (colon >= 0 && dot > colon)
            name.truncate(dot);
        if (name.startsWith(QStringLiteral("unix:")))
            name.remove(0, 4);
        identity.Display = name;
    } else if (platform.startsWith(QStringLiteral("wayland"))) {
        identity.Platform = QStringLiteral("wayland");
        identity.Display = display.isEmpty() ? QStringLiteral("wayland-0") : display;
    }
    return identity;
}

InstanceIdentity CurrentDisplay(const QStringList &arguments)
{
    const QString platform = QGuiApplication::platformName();
    const char *variable = platform.startsWith(QStringLiteral("wayland")) ? "WAYLAND_DISPLAY" : "DISPLAY";
    return DisplayOf(platform, qEnvironmentVariable(variable), arguments);
}

SecondStartNotice NoticeOfSecondStart(const InstanceIdentity &own, const std::optional<InstanceIdentity> &running)
{
    SecondStartNotice notice;
    if (!running) {
        notice.ErrorLine = QStringLiteral("tarvel: the viewer is already running; it was asked to come to the front.");
        return notice;
    }
    const QString mode = ModeName(running->Unsuppressed) + QStringLiteral(" mode");
    const bool otherDisplay = !SameDisplay(own, *running);
    const bool otherMode = own.Unsuppressed != running->Unsuppressed;
    const QString wanted = own.Unsuppressed ? QStringLiteral("/UNSUPPRESSED") : QStringLiteral("the normal mode");

    notice.ErrorLine = QStringLiteral("tarvel: the viewer is already running in ") + mode;
    notice.ErrorLine += otherDisplay ? QStringLiteral("; its window is on another display (%1)").arg(DisplayName(*running))
                                     : QStringLiteral("; its window comes to the front");
    if (otherMode)
        notice.ErrorLine += QStringLiteral("; ") + wanted + QStringLiteral(" applies only after it is closed");
    notice.ErrorLine += QLatin1Char('.');

    if (!otherDisplay && !otherMode)
        return notice;
    notice.BoxTitle = QStringLiteral("TARVEL already running");
    notice.BoxText = QStringLiteral("The viewer is already running in ") + mode;
    if (otherDisplay)
        notice.BoxText += QStringLiteral(", on another display (%1)").arg(DisplayName(*running));
    notice.BoxText += QLatin1Char('.');
    if (otherMode) {
        notice.BoxText += QStringLiteral("\n\nThis start asked for ")
            + (own.Unsuppressed ? QStringLiteral("the unsuppressed mode (/UNSUPPRESSED)") : QStringLiteral("the normal mode"))
            + QStringLiteral(", which applies only after the running viewer is closed.");
    }
    return notice;
}

SingleInstance::SingleInstance(QString name, QObject *parent) : QObject(parent), m_name(std::move(name)) {}

QString SingleInstance::DefaultName()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(QStringLiteral("tarvel-TARVEL_08_1.socket"));
    // Without a private runtime folder the socket lands in the shared
    // temporary folder, so the user's name keeps users apart.
    return QStringLiteral("tarvel-TARVEL_08_1-") + UserName();
}

bool SingleInstance::NotifyRunningInstance(int timeoutMs)
{
    m_running.reset();
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(ActivateRequest);
    socket.waitForBytesWritten(timeoutMs);
    // The answer says the running one's mode and display; one too busy to
    // answer in time has still been asked to come forward.
    QByteArray answer;
    QDeadlineTimer deadline(timeoutMs);
    while (!answer.contains('\n') && !deadline.hasExpired() && socket.state() == QLocalSocket::ConnectedState) {
        if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            answer += socket.read(256);
    }
    m_running = IdentityOf(answer);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

bool SingleInstance::Listen()
{
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnections);
    }
    if (m_server->isListening())
        return true;
    if (m_server->listen(m_name))
        return true;
    // Nobody answered on the name (the caller asked first), so the socket
    // file is a leftover of an instance that did not end cleanly.
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(m_name);
        return m_server->listen(m_name);
    }
    return false;
}

void SingleInstance::AcceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Any connection is a request to come forward; the bytes are read
        // only to drain the socket.
        connect(socket, &QLocalSocket::readyRead, socket, [socket] { socket->readAll(); });
        socket->write(AnswerOf(m_identity));
        socket->flush();
        emit ActivationRequested();
    }
}

void BringToFront(QWidget *window)
{
    if (!window)
        return;
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    window->showMaximized();
    window->raise();
    window->activateWindow();
}
