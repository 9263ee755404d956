#pragma once

#include <QDialog>
#include <QString>

#include <optional>
#include <vector>

class QLabel;
class QListWidget;
class QItemSelection;
class QListWidgetItem;
class QPushButton;

/// The pick list: a multi-selection list in which a click toggles an item.
/// Its opener sets the mode (areas or quarters), the caption and width,
/// fills the items with the current choice selected, runs it modally and
/// reads Result(). The dialog itself changes no flags.
class frmPickList final : public QDialog {
    Q_OBJECT
public:
    explicit frmPickList(QWidget *parent = nullptr);

    /// What the list holds: the areas, whose codes the code label shows, or
    /// a table's quarters, opened on the latest.
    enum class Mode { Areas, Quarters };
    void SetTag(Mode mode) { m_tag = mode; }
    Mode Tag() const { return m_tag; }

    /// Adds an item to lstPick and its code text to the hidden lstFIPS.
    void AddItem(const QString &text, const QString &code = QString());
    /// Selects item (1-based) of lstPick.
    void SetItemSelected(int item, bool selected);
    /// The font of the list (the display font).
    void SetListFont(const QFont &font);

    /// The chosen items (1-based, ascending) after OK; nullopt when the
    /// dialog was closed any other way.
    const std::optional<std::vector<int>> &Result() const { return m_result; }

    QListWidget *lstPick = nullptr;
    QListWidget *lstFIPS = nullptr; // hidden, parallel to lstPick
    QLabel *lblFips = nullptr;
    QPushButton *cmdAll = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdStop = nullptr; // hidden, no action

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FitItems();
    /// Makes a chosen item current and in view; latest: the last chosen one.
    void StartKeyboardOnAChosenItem(bool latest);
    void LayOut();
    void ItemClicked(QListWidgetItem *item);
    /// A single item toggled from the keyboard does what its click does.
    void SelectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    void SelectAll();
    void ClearAll();
    void Confirm();

    Mode m_tag = Mode::Areas;
    /// Selections made by the program (the start choice, All, Clear) leave
    /// the code label alone.
    bool m_selectingItems = false;
    std::optional<std::vector<int>> m_result;
};
