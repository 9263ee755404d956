#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QLocalServer;
class QWidget;

/// What a running instance tells a later one of itself.
struct InstanceIdentity {
    bool Unsuppressed = false; ///< started with /UNSUPPRESSED
    QString Platform;          ///< the window system ("xcb", "wayland", "offscreen")
    QString Display;           ///< the display on it (":0", "wayland-0"); empty when it has no name
};

/// The window system and display of a process on platform (Qt's name for
/// it), whose environment names display (DISPLAY, WAYLAND_DISPLAY) and whose
/// arguments may name one with "-display NAME", which comes first. X11's
/// ":0.0" and "unix:0" are the display ":0".
InstanceIdentity DisplayOf(const QString &platform, const QString &display, const QStringList &arguments);
/// The window system and display this process shows its windows on.
InstanceIdentity CurrentDisplay(const QStringList &arguments);

/// What a second start says before it ends: always a line for standard
/// error naming the running viewer's mode; and, when its own mode differs
/// (the switch is dropped) or the running window is on another display, the
/// same in a message box on its own display (BoxText empty when none).
struct SecondStartNotice {
    QString ErrorLine; ///< without its line end
    QString BoxTitle;
    QString BoxText;
};
/// running: what the running instance said of itself; nullopt when it said
/// nothing (an instance too busy to answer in time).
SecondStartNotice NoticeOfSecondStart(const InstanceIdentity &own, const std::optional<InstanceIdentity> &running);

/// One viewer at a time for each user. The first instance listens on a
/// local socket; a later one finds it there, asks it to come to the front,
/// hears its mode and display, and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    /// name: the socket's name or full path (tests use a private one).
    explicit SingleInstance(QString name, QObject *parent = nullptr);

    /// The per-user name: a socket in $XDG_RUNTIME_DIR when it is set,
    /// otherwise a name carrying the user's login name.
    static QString DefaultName();

    /// What this instance, once it listens, tells later ones of itself.
    void SetIdentity(InstanceIdentity identity) { m_identity = std::move(identity); }

    /// True when a running instance answered on the name; it has then been
    /// asked to come to the front, and RunningIdentity holds what it said.
    bool NotifyRunningInstance(int timeoutMs = 1000);
    /// The running instance's answer to the last NotifyRunningInstance.
    const std::optional<InstanceIdentity> &RunningIdentity() const { return m_running; }

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
    InstanceIdentity m_identity;
    std::optional<InstanceIdentity> m_running;
};

/// Brings window to the front, maximized and active.
void BringToFront(QWidget *window);
