#pragma once

#include "core/views/scroll_value.h"

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

    /// Loads the size of kind (twips). The text box takes the face, bold and
    /// italic of displayFont and keeps its own size.
    void Load(tarvel::SizeKind kind, int value, const QFont &displayFont);

    /// The slider's value after OK; nullopt after Cancel, the close box or
    /// OK before anything was loaded.
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

    bool m_loaded = false;
    std::optional<int> m_result;
};
