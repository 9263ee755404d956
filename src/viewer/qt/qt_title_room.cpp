#include "viewer/qt/qt_title_room.h"

#include "viewer/qt/qt_prompts.h"

#include <QBoxLayout>
#include <QEvent>
#include <QGridLayout>
#include <QSpacerItem>
#include <QWidget>

namespace {

// Follows the window's title and font; owned by the window.
class TitleRoomKeeper final : public QObject {
public:
    explicit TitleRoomKeeper(QWidget &window) : QObject(&window), m_window(window)
    {
        m_room = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
        if (auto *grid = qobject_cast<QGridLayout *>(window.layout()))
            grid->addItem(m_room, grid->rowCount(), 0, 1, grid->columnCount());
        else if (auto *box = qobject_cast<QBoxLayout *>(window.layout()))
            box->addSpacerItem(m_room);
        else {
            delete m_room;
            m_room = nullptr;
        }
        window.installEventFilter(this);
        Follow();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (watched == &m_window && (type == QEvent::WindowTitleChange || type == QEvent::FontChange || type == QEvent::Show))
            Follow();
        return false;
    }

private:
    void Follow()
    {
        const int room = TitleRoom(m_window, m_window.windowTitle());
        if (m_room) {
            if (m_room->sizeHint().width() != room) {
                m_room->changeSize(room, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
                m_window.layout()->invalidate();
            }
        } else if (m_window.minimumWidth() < room) {
            m_window.setMinimumWidth(room);
        }
        if (m_window.width() < room)
            m_window.resize(room, m_window.height());
    }

    QWidget &m_window;
    QSpacerItem *m_room = nullptr; // owned by the window's layout
};

} // namespace

void KeepTitleWhole(QWidget &window)
{
    new TitleRoomKeeper(window);
}
