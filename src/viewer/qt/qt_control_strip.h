#pragma once

#include <QScrollArea>

/// A row of controls that keeps its own height and scrolls sideways when
/// the window is narrower than the row (large text, a small screen). The
/// control that takes the focus is scrolled into view, so the keyboard
/// reaches every one of them.
class ControlStrip final : public QScrollArea {
public:
    /// row becomes the strip's widget.
    ControlStrip(QWidget *row, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    /// The row's height, and room for the scroll bar while it is needed.
    int NeededHeight() const;
};
