#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;
class QScrollBar;

/// The height / width dialog: a slider and a text box holding a size in
/// twips. The opener sets the caption, loads the size kind and value, runs
/// it modally and reads Result(); the dialog itself changes no setting.
class frmScroll final : public QDialog {
    Q_OBJECT
public:
    explicit frmScroll(QWidget *parent = nullptr);

    /// sizeKind 2 edits a height, 3 a width; any other kind edits nothing.
    /// The text box takes the face, bold and italic of displayFont and keeps
    /// its own size.
    void Load(int sizeKind, int value, const QFont &displayFont);
    int SizeKind() const { return m_sizeKind; }

    /// The slider's value after OK for a height or width; nullopt after
    /// Cancel, the close box or a kind that edits nothing.
    const std::optional<int> &Result() const { return m_result; }

    /// The text box rules, run when it loses the focus: out-of-range or
    /// non-numeric text goes to the nearest bound and the slider follows.
    void txtScroll_LostFocus();

    QLineEdit *txtScroll = nullptr;
    QScrollBar *hsbScroll = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void cmdOK_Click();

    int m_sizeKind = 0;
    std::optional<int> m_result;
};
