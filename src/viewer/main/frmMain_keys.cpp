// The main window's keyboard: access keys for the numbered controls and the
// display buttons, the desktop's usual shortcuts on the menu commands, and
// F6 between the controls and the active child window.
#include "viewer/main/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include <functional>

namespace {

QShortcut *AddShortcut(QWidget *window, const char *name, const QKeySequence &key, std::function<void()> run)
{
    auto *shortcut = new QShortcut(key, window);
    shortcut->setObjectName(QString::fromLatin1(name));
    QObject::connect(shortcut, &QShortcut::activated, window, std::move(run));
    return shortcut;
}

// The chosen button of a group, or its first shown one.
template <std::size_t N>
QWidget *ChosenOption(const std::array<QRadioButton *, N> &options)
{
    QWidget *first = nullptr;
    for (QRadioButton *option : options) {
        if (option->isHidden())
            continue;
        if (option->isChecked())
            return option;
        if (!first)
            first = option;
    }
    return first;
}

void FocusFromShortcut(QWidget *widget)
{
    if (widget && widget->isEnabled())
        widget->setFocus(Qt::ShortcutFocusReason);
}

} // namespace

void frmMain::CreateKeyboardCommands()
{
    // Alt+1 .. Alt+5 reach the five numbered controls; their captions keep
    // their text, so the keys are shortcuts rather than marked letters.
    AddShortcut(this, "keySeries", QKeySequence(Qt::ALT | Qt::Key_1),
                [this] { FocusFromShortcut(ChosenOption(optSeries)); });
    AddShortcut(this, "keyTable", QKeySequence(Qt::ALT | Qt::Key_2),
                [this] { FocusFromShortcut(ChosenOption(optTable)); });
    AddShortcut(this, "keyQuarters", QKeySequence(Qt::ALT | Qt::Key_3), [this] { FocusFromShortcut(cboYears); });
    cmdStates->setShortcut(QKeySequence(Qt::ALT | Qt::Key_4));
    AddShortcut(this, "keyDisplay", QKeySequence(Qt::ALT | Qt::Key_5), [this] {
        for (QPushButton *button : {cmdPrev, cmdNext, cmdShowOneLine, cmdChart}) {
            if (button->isVisible() && button->isEnabled()) {
                FocusFromShortcut(button);
                return;
            }
        }
    });
    // The picture buttons have no caption to mark a letter in.
    cmdPrev->setShortcut(QKeySequence(Qt::ALT | Qt::Key_P));
    cmdNext->setShortcut(QKeySequence(Qt::ALT | Qt::Key_N));
    cmdShowOneLine->setShortcut(QKeySequence(Qt::ALT | Qt::Key_L));
    cmdChart->setShortcut(QKeySequence(Qt::ALT | Qt::Key_C));

    // The menus show these beside their unchanged texts.
    mnuHelpContents->setShortcut(QKeySequence(Qt::Key_F1));
    mnuPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    mnuClip->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    AddShortcut(this, "keyCloseWindow", QKeySequence(Qt::CTRL | Qt::Key_W), [this] {
        if (QMdiSubWindow *window = m_mdi->currentSubWindow())
            window->close();
    });

    AddShortcut(this, "keyNextArea", QKeySequence(Qt::Key_F6), [this] { SwitchFocusArea(); });
    AddShortcut(this, "keyPreviousArea", QKeySequence(Qt::SHIFT | Qt::Key_F6), [this] { SwitchFocusArea(); });
}

void frmMain::SwitchFocusArea()
{
    // Two areas take turns, so F6 and Shift+F6 do the same.
    const QWidget *focus = QApplication::focusWidget();
    if (!focus || !m_mdi->isAncestorOf(focus)) {
        QMdiSubWindow *window = m_mdi->currentSubWindow();
        if (!window) {
            const QList<QMdiSubWindow *> windows = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
            if (windows.isEmpty())
                return;
            window = windows.last();
        }
        if (window->isMinimized())
            window->showNormal();
        m_mdi->setActiveSubWindow(window);
        if (QWidget *content = window->widget())
            content->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    // Back to the control the user left, or to the chosen series.
    QWidget *control = picMain->focusWidget();
    if (!control || !control->isVisible() || !control->isEnabled())
        control = ChosenOption(optSeries);
    FocusFromShortcut(control);
}
