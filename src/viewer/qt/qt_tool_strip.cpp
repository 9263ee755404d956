#include "viewer/qt/qt_tool_strip.h"

#include <QActionEvent>
#include <QLayout>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int SeparatorWidth = 10;

// Lays its items out left to right in rows as wide as the strip, a row
// starting again below when the next item does not fit.
class FlowLayout final : public QLayout {
public:
    explicit FlowLayout(QWidget *parent) : QLayout(parent)
    {
        setContentsMargins(2, 2, 2, 2);
        setSpacing(2);
    }
    ~FlowLayout() override
    {
        while (QLayoutItem *item = FlowLayout::takeAt(0))
            delete item;
    }

    void addItem(QLayoutItem *item) override { m_items.append(item); }
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem *itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem *takeAt(int index) override
    {
        return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
    }
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false); }

    // One row of everything.
    QSize sizeHint() const override
    {
        int width = 0;
        int height = 0;
        for (const QLayoutItem *item : m_items) {
            if (item->isEmpty())
                continue;
            width += (width ? spacing() : 0) + item->sizeHint().width();
            height = std::max(height, item->sizeHint().height());
        }
        const QMargins m = contentsMargins();
        return {width + m.left() + m.right(), height + m.top() + m.bottom()};
    }
    // As narrow as the widest button.
    QSize minimumSize() const override
    {
        QSize least;
        for (const QLayoutItem *item : m_items) {
            if (!item->isEmpty())
                least = least.expandedTo(item->minimumSize());
        }
        const QMargins m = contentsMargins();
        return least + QSize(m.left() + m.right(), m.top() + m.bottom());
    }
    void setGeometry(const QRect &rect) override
    {
        QLayout::setGeometry(rect);
        Arrange(rect, true);
    }

private:
    // The height the items take in rect's width; with place, puts them there.
    int Arrange(const QRect &rect, bool place) const
    {
        const QRect inner = rect.marginsRemoved(contentsMargins());
        int x = inner.x();
        int y = inner.y();
        int rowHeight = 0;
        for (QLayoutItem *item : m_items) {
            if (item->isEmpty())
                continue;
            // A gap at the start of a row would only indent it.
            if (item->spacerItem() && x == inner.x())
                continue;
            const QSize size = item->sizeHint();
            if (x > inner.x() && x + size.width() > inner.right() + 1) {
                x = inner.x();
                y += rowHeight + spacing();
                rowHeight = 0;
                if (item->spacerItem())
                    continue;
            }
            if (place)
                item->setGeometry(QRect(QPoint(x, y), size));
            x += size.width() + spacing();
            rowHeight = std::max(rowHeight, size.height());
        }
        const QMargins m = contentsMargins();
        return y + rowHeight - rect.y() + m.bottom();
    }

    QList<QLayoutItem *> m_items;
};

} // namespace

ToolStrip::ToolStrip(QWidget *parent) : QWidget(parent)
{
    new FlowLayout(this);
    // Not Fixed: a fixed height would be one row's.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ToolStrip::AddSeparator()
{
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
}

void ToolStrip::AddWidget(QWidget *widget)
{
    widget->setParent(this);
    layout()->addWidget(widget);
}

QToolButton *ToolStrip::WidgetForAction(const QAction *action) const
{
    for (QToolButton *button : findChildren<QToolButton *>(Qt::FindDirectChildrenOnly)) {
        if (button->defaultAction() == action)
            return button;
    }
    return nullptr;
}

void ToolStrip::actionEvent(QActionEvent *event)
{
    QAction *action = event->action();
    if (event->type() == QEvent::ActionAdded) {
        if (action->isSeparator()) {
            layout()->addItem(new QSpacerItem(SeparatorWidth, 1, QSizePolicy::Fixed, QSizePolicy::Minimum));
            return;
        }
        auto *button = new QToolButton(this);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::TabFocus);
        layout()->addWidget(button);
    } else if (event->type() == QEvent::ActionRemoved) {
        delete WidgetForAction(action);
    }
    QWidget::actionEvent(event);
}
