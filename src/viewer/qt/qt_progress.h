#pragma once

#include <QProgressDialog>
#include <QString>

class QLabel;
class QWidget;

/// The progress of a long job the user may stop (a print-all, its preview).
class ProgressReport {
public:
    virtual ~ProgressReport() = default;
    /// The job is at step done (0-based) of its count, doing text ("Printing
    /// Alabama"); false once the user has asked it to stop.
    virtual bool Step(int done, const QString &text) = 0;
};

/// The progress dialog of the viewer: it appears once the job has run about
/// half a second, names what the job is at, and has Cancel. It is modal, so
/// the windows repaint between steps while no other command can start.
class QtProgress final : public ProgressReport {
public:
    QtProgress(QWidget *parent, const QString &title, int count);
    bool Step(int done, const QString &text) override;
    QProgressDialog &Dialog() { return m_dialog; }

    /// How long a job runs before the dialog appears, in milliseconds.
    static constexpr int ShowAfter = 500;

private:
    QProgressDialog m_dialog;
    QLabel *lblProgress = nullptr;
};
