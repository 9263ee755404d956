#pragma once

#include <QElapsedTimer>
#include <QListWidget>

/// A multi-selection list for the keyboard: Space toggles the current item
/// and does nothing else, and typing moves to the next item that starts
/// with the letters typed without choosing it. The stock list also types
/// ahead on Space, which in a list of indented titles jumps to the next
/// indented one and chooses that as well; and its type-ahead toggles every
/// item it passes. A blank typed within a search that goes on with one
/// ("New" of "New York") belongs to the search. The pick list and the
/// export wizard's records use this.
class ToggleList final : public QListWidget {
public:
    explicit ToggleList(QWidget *parent = nullptr);

    void keyboardSearch(const QString &search) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override;

private:
    /// True when Space now goes on with the search typed so far: it is
    /// still being typed, and an item starts with it and a blank.
    bool BlankContinuesSearch() const;
    void Search(const QString &search);

    bool m_searching = false;
    /// What the search has typed so far and when it last typed, kept as
    /// the view keeps its own (which it does not show).
    QString m_typed;
    QElapsedTimer m_lastTyped;
};
