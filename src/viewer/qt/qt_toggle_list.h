#pragma once

#include <QListWidget>

/// A multi-selection list for the keyboard: Space toggles the current item
/// and does nothing else, and typing moves to the next item that starts
/// with the letters typed without choosing it. The stock list also types
/// ahead on Space, which in a list of indented titles jumps to the next
/// indented one and chooses that as well; and its type-ahead toggles every
/// item it passes. The pick list and the export wizard's records use this.
class ToggleList final : public QListWidget {
public:
    explicit ToggleList(QWidget *parent = nullptr);

    void keyboardSearch(const QString &search) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override;

private:
    bool m_searching = false;
};
