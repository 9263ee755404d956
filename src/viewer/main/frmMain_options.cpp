// The main window's Options commands: the display font, the default window
// size (taken from the active window, or height and width on their own),
// "Reverse years", the data folder and the reset to the defaults.
#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_text.h"

#include "core/catalog/file_helpers.h"
#include "core/settings/data_folder.h"
#include "core/settings/program_settings.h"
#include "core/views/scroll_value.h"
#include "viewer/display/frmScroll.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_status_note.h"
#include "viewer/qt/qt_twips.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>
#include <optional>

namespace {

bool IsNormalState(const QMdiSubWindow *window)
{
    return !window->isMinimized() && !window->isMaximized();
}

} // namespace

void frmMain::ChooseDisplayFont()
{
    const std::optional<QFont> chosen = m_prompts.ChooseFont(DisplayFont(), false);
    if (!chosen)
        return;
    m_fontDialogChoice = *chosen;
    m_state.Display.FontName = chosen->family().toLatin1().toStdString();
    // A font given in pixels has no point size; the old size then stays.
    if (chosen->pointSizeF() > 0)
        m_state.Display.FontSize = tarvel::WholeFontSize(chosen->pointSizeF());
    m_state.Display.FontBold = chosen->bold();
    m_state.Display.FontItalic = chosen->italic();
}

void frmMain::SetDefaultWindowSize()
{
    // The current sub-window is the active one, also while another program
    // has the focus.
    QMdiSubWindow *active = m_mdi->currentSubWindow();
    if (!active) {
        const QList<QMdiSubWindow *> windows = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
        if (windows.isEmpty())
            return;
        active = windows.last();
    }
    m_state.Display.DefaultWindowWidth = PixelsToTwipsX(active->width(), active);
    m_state.Display.DefaultWindowHeight = PixelsToTwipsY(active->height(), active);
    ResizeChildWindowsToDefault();
}

void frmMain::ToggleReverse()
{
    // The action toggles its own check mark; the next table built reads it.
    m_state.Display.Reverse = mnuReverse->isChecked();
}

void frmMain::ChooseGridSize(tarvel::SizeKind kind)
{
    const bool height = kind == tarvel::SizeKind::Height;
    const QAction *item = height ? mnuGrid[0] : mnuGrid[1];

    frmScroll dialog(this);
    dialog.setWindowTitle(Latin1(tarvel::ScrollDialogCaption(item->text().toLatin1().toStdString())));
    dialog.Load(kind, height ? m_state.Display.DefaultWindowHeight : m_state.Display.DefaultWindowWidth, DisplayFont());
    m_prompts.RunDialog(dialog);
    if (!dialog.Result())
        return;

    // Every open child window takes the new size; minimized and maximized
    // ones keep theirs, as with the other size commands.
    const int twips = *dialog.Result();
    if (height)
        m_state.Display.DefaultWindowHeight = twips;
    else
        m_state.Display.DefaultWindowWidth = twips;
    const QList<QMdiSubWindow *> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow *window : windows) {
        if (!IsNormalState(window))
            continue;
        if (height)
            window->resize(window->width(), TwipsToPixelsY(twips, window));
        else
            window->resize(TwipsToPixelsX(twips, window), window->height());
    }
}

void frmMain::ResizeChildWindowsToDefault()
{
    // Newest first, widths before heights; minimized and maximized windows
    // keep their size. Fonts of open windows are not changed.
    QList<QMdiSubWindow *> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    std::reverse(windows.begin(), windows.end());
    for (QMdiSubWindow *window : windows) {
        if (IsNormalState(window))
            window->resize(TwipsToPixelsX(m_state.Display.DefaultWindowWidth, window), window->height());
    }
    for (QMdiSubWindow *window : windows) {
        if (IsNormalState(window))
            window->resize(window->width(), TwipsToPixelsY(m_state.Display.DefaultWindowHeight, window));
    }
}

void frmMain::ChangeDataFolder()
{
    // The folder is shown as it is: folder names here tell letter case apart,
    // so OK on the unchanged text keeps the same folder.
    const std::optional<QString> answer =
        m_prompts.InputBox(QString::fromLatin1(tarvel::ChangePathTitle), QString::fromLatin1(tarvel::ChangePathPrompt),
                           QString::fromLocal8Bit(m_state.DataFolder.c_str()));
    if (!answer)
        return;
    // Nothing is checked now; quitting remembers the folder when it holds the data.
    if (const auto folder = tarvel::ChangedDataFolder(answer->toLocal8Bit().toStdString())) {
        m_state.DataFolder = *folder;
        m_dataFolderChosen = true;
        ShowDataFolderKind();
        // The box itself asks nothing more; the status bar says what the
        // commands will find, for as long as it holds.
        if (tarvel::DataFilesPresent(*folder))
            lblNote->Clear();
        else
            lblNote->Say(QStringLiteral("No Orlandel data files in ") + QString::fromLocal8Bit(folder->c_str()),
                         StatusNote::Lasting::UntilReplaced);
    }
}

void frmMain::ResetToDefault()
{
    ApplyDisplaySettings(tarvel::ResetToDefault(m_settings, m_state.ProgramFolder, m_state.DataFolder));
    ShowDataFolderKind();
    ResizeChildWindowsToDefault();
}
