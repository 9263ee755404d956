#include "viewer/qt/qt_progress.h"

#include "viewer/qt/qt_title_room.h"

#include <algorithm>

#include <QCoreApplication>
#include <QLabel>

QtProgress::QtProgress(QWidget *parent, const QString &title, int count) : m_dialog(parent)
{
    m_dialog.setObjectName(QStringLiteral("frmProgress"));
    m_dialog.setWindowTitle(title);
    m_dialog.setWindowModality(Qt::ApplicationModal);
    lblProgress = new QLabel(&m_dialog);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    lblProgress->setTextFormat(Qt::PlainText);
    lblProgress->setAccessibleDescription(QStringLiteral("What is being done now"));
    m_dialog.setLabel(lblProgress);
    m_dialog.setCancelButtonText(QStringLiteral("&Cancel"));
    m_dialog.setRange(0, count > 0 ? count : 1);
    m_dialog.setMinimumDuration(ShowAfter);
    // The job ends the dialog itself; reaching the last step neither hides
    // nor resets it before then.
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
    m_dialog.setValue(0);
    KeepTitleWhole(m_dialog);
}

bool QtProgress::Step(int done, const QString &text)
{
    // The dialog grows with a longer text ("Printing District of Columbia
    // (9 of 60)"); it never shrinks back while the job runs.
    m_dialog.setLabelText(text);
    // Shows the dialog once the job has run long enough; once shown, a modal
    // dialog lets the windows repaint and takes the click on Cancel.
    m_dialog.setValue(std::clamp(done, 0, m_dialog.maximum()));
    if (m_dialog.isVisible())
        QCoreApplication::processEvents();
    return !m_dialog.wasCanceled();
}
