#pragma once

#include <QLabel>

/// A status-bar text that shrinks with the window, down to about eight
/// letters: too long for its room it loses its middle ("Areas sel...ted - 2"),
/// and its tooltip then shows the whole text. text() and a screen reader always have the whole text; the
/// panel's own tooltip (what it tells) is its accessible description.
class StatusPanel : public QLabel {
public:
    explicit StatusPanel(const QString &text, QWidget *parent = nullptr);

    /// The text as drawn now.
    QString Shown() const;

    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
