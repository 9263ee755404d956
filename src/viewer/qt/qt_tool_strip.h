#pragma once

#include <QWidget>

class QAction;
class QActionEvent;
class QToolButton;

/// A tool bar that wraps: its buttons (text only) flow onto a second row
/// when the window is too narrow for one, as at a large text size, instead
/// of hiding in an overflow menu the Tab key never reaches. Each button
/// takes the focus by Tab. Actions are added with addAction, as to any
/// widget.
class ToolStrip final : public QWidget {
public:
    explicit ToolStrip(QWidget *parent = nullptr);

    /// A gap between groups of buttons.
    void AddSeparator();
    /// A widget of the strip's own (a button with a menu).
    void AddWidget(QWidget *widget);
    /// The button of action; nullptr for a separator or a foreign action.
    QToolButton *WidgetForAction(const QAction *action) const;

protected:
    void actionEvent(QActionEvent *event) override;
};
