#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QWidget;

/// One viewer at a time for each user. The first instance listens on a
/// local socket; a later one finds it there, asks it to come to the front
/// and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    /// name: the socket's name or full path (tests use a private one).
    explicit SingleInstance(QString name, QObject *parent = nullptr);

    /// The per-user name: a socket in $XDG_RUNTIME_DIR when it is set,
    /// otherwise a name carrying the user's login name.
    static QString DefaultName();

    /// True when a running instance answered on the name; it has then been
    /// asked to come to the front.
    bool NotifyRunningInstance(int timeoutMs = 1000) const;

    /// Starts listening as the running instance. A socket left behind by an
    /// instance that crashed is removed first. False when it cannot listen.
    bool Listen();

    const QString &Name() const { return m_name; }

signals:
    /// Another instance asked this one to come to the front.
    void ActivationRequested();

private:
    void AcceptConnections();

    QString m_name;
    QLocalServer *m_server = nullptr;
};

/// Brings window to the front, maximized and active.
void BringToFront(QWidget *window);
