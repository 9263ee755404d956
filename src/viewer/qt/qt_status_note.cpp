#include "viewer/qt/qt_status_note.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTimer>

namespace {

// What a screen reader is told of the note: a notification whose name is
// the note itself. Readers speak a notification as it comes into view.
class NoteAccessible final : public QAccessibleWidget {
public:
    explicit NoteAccessible(QWidget *note) : QAccessibleWidget(note, QAccessible::Notification) {}

    QString text(QAccessible::Text t) const override
    {
        const auto *note = static_cast<const StatusNote *>(widget());
        if (t == QAccessible::Name)
            return note->text();
        if (t == QAccessible::Description)
            return note->toolTip();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *NoteFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("StatusNote") && object && object->isWidgetType())
        return new NoteAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

StatusNote::StatusNote(QWidget *parent) : StatusPanel(QString(), parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(NoteFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("lblNote"));
    setToolTip(QStringLiteral("What the program has just done"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setContentsMargins(4, 0, 4, 0);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &StatusNote::Clear);
    hide();
}

void StatusNote::Say(const QString &text, Lasting lasting)
{
    setText(text);
    // Shown anew even when it shows already: the reader speaks a
    // notification as it appears.
    hide();
    show();
    if (lasting == Lasting::AWhile)
        m_timer->start(ShownFor);
    else
        m_timer->stop();
}

void StatusNote::Clear()
{
    m_timer->stop();
    clear();
    hide();
}

StatusNote *StatusNote::Of(const QWidget *widget)
{
    for (const QWidget *window = widget ? widget->window() : nullptr; window;
         window = window->parentWidget() ? window->parentWidget()->window() : nullptr) {
        for (StatusNote *note : window->findChildren<StatusNote *>()) {
            if (note->window() == window)
                return note;
        }
    }
    return nullptr;
}

void StatusNote::Post(const QWidget *from, const QString &text, Lasting lasting)
{
    if (StatusNote *note = Of(from))
        note->Say(text, lasting);
}
