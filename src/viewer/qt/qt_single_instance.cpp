#include "viewer/qt/qt_single_instance.h"

#include <QByteArray>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <cstdlib>

namespace {

// What a new instance sends to the running one.
const QByteArray ActivateRequest = QByteArrayLiteral("activate\n");

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

bool SingleInstance::NotifyRunningInstance(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(ActivateRequest);
    socket.waitForBytesWritten(timeoutMs);
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
