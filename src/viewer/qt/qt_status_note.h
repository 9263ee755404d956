#pragma once

#include "viewer/qt/qt_status_panel.h"

class QTimer;

/// The status-bar line that says what the program has just done when
/// nothing else shows it where the user is looking: a ranking, a new count
/// of areas, a help topic, a command copied. A screen reader hears each note
/// as a notification (the line has that role and shows itself anew for
/// each), without the focus moving. Hidden while it has nothing to say.
class StatusNote final : public StatusPanel {
    Q_OBJECT
public:
    explicit StatusNote(QWidget *parent = nullptr);

    /// How long a note stays: a while, or until the next one (a state that
    /// lasts, such as a data folder without data).
    enum class Lasting { AWhile, UntilReplaced };
    /// Shows text and has a screen reader say it.
    void Say(const QString &text, Lasting lasting = Lasting::AWhile);
    /// Takes the note away.
    void Clear();

    /// The note of the window widget is in, or else of the window that
    /// window belongs to (a dialog's main window); nullptr when none has one.
    static StatusNote *Of(const QWidget *widget);
    /// Says text in the note Of(from); nothing when there is none.
    static void Post(const QWidget *from, const QString &text, Lasting lasting = Lasting::AWhile);

    /// How long a note of Lasting::AWhile stays, in milliseconds.
    static constexpr int ShownFor = 12000;

private:
    QTimer *m_timer = nullptr;
};
