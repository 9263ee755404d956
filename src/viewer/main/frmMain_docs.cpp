// The main window's document, help, view-setting and window commands.
#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_text.h"

#include "viewer/qt/qt_busy_cursor.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_twips.h"
#include "core/catalog/file_helpers.h"
#include "core/help/documents.h"
#include "viewer/help/frmDoc.h"
#include "core/help/help_file.h"
#include "viewer/help/qt_help.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

#include <algorithm>

namespace {

// A new document window for request, shown at the default window size; its
// text is read afterwards, so a file that cannot be read leaves it empty.
frmDoc *OpenDocumentWindow(frmMain &window, const tarvel::DocumentRequest &request)
{
    const tarvel::ProgramState &state = window.State();
    QMdiArea *area = window.MdiArea();
    auto *document = new frmDoc(state.PrintAllMode);
    document->SetCaption(request.Caption);
    if (request.DisplayFont)
        document->SetTextFont(Latin1(state.DisplayFontName), state.DisplayFontSize);
    if (request.Unsuppressed)
        document->ShowUnsuppressedColours();
    document->Show(*area, QSize(TwipsToPixelsX(state.DefaultWindowWidth, area),
                                TwipsToPixelsY(state.DefaultWindowHeight, area)));
    return document;
}

void LoadDocument(frmMain &window, frmDoc &document, const std::string &path)
{
    std::optional<std::string> text = tarvel::ReadWholeFile(path);
    if (!text) {
        tarvel::ReportFileNotAccessible(window.UserPrompts(), path);
        return;
    }
    document.SetText(std::move(*text));
}

// The child windows, newest first: the order in which the window commands
// visit them.
QList<QMdiSubWindow *> NewestFirst(const QMdiArea &area)
{
    QList<QMdiSubWindow *> windows = area.subWindowList(QMdiArea::CreationOrder);
    std::reverse(windows.begin(), windows.end());
    return windows;
}

// Lines the minimized windows up along the bottom of the area; returns the
// top of the highest row of icons (the area's height when there are none).
int ArrangeMinimized(QMdiArea &area)
{
    QList<QMdiSubWindow *> icons;
    std::vector<tarvel::WindowRect> sizes;
    for (QMdiSubWindow *window : area.subWindowList(QMdiArea::CreationOrder)) {
        if (window->isMinimized() && !window->isHidden()) {
            icons.append(window);
            sizes.push_back({0, 0, window->width(), window->height()});
        }
    }
    const QRect viewport = area.viewport()->rect();
    const std::vector<tarvel::WindowRect> places = tarvel::ArrangeIcons(sizes, viewport.width(), viewport.height());
    int top = viewport.height();
    for (qsizetype i = 0; i < icons.size(); ++i) {
        const tarvel::WindowRect &place = places[static_cast<std::size_t>(i)];
        icons[i]->move(place.x, place.y);
        top = std::min(top, place.y);
    }
    return top;
}

// Shares the area above the icons among the windows that are not
// minimized, the active window first.
void TileWindows(QMdiArea &area, tarvel::TileDirection direction)
{
    QList<QMdiSubWindow *> windows = area.subWindowList(QMdiArea::ActivationHistoryOrder);
    std::reverse(windows.begin(), windows.end());
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [](const QMdiSubWindow *w) { return w->isMinimized() || w->isHidden(); }),
                  windows.end());
    for (QMdiSubWindow *window : std::as_const(windows)) {
        if (window->isMaximized())
            window->showNormal();
    }
    const int height = ArrangeMinimized(area);
    if (windows.isEmpty())
        return;
    const QSize smallest = windows.front()->minimumSizeHint();
    const int minExtent = direction == tarvel::TileDirection::Horizontal ? smallest.height() : smallest.width();
    const std::vector<tarvel::WindowRect> places = tarvel::TileWindows(
        static_cast<int>(windows.size()), area.viewport()->width(), height, direction, std::max(1, minExtent));
    for (qsizetype i = 0; i < windows.size() && static_cast<std::size_t>(i) < places.size(); ++i) {
        const tarvel::WindowRect &place = places[static_cast<std::size_t>(i)];
        windows[i]->setGeometry(place.x, place.y, place.width, place.height);
    }
}

// Steps the windows that are not minimized diagonally from the top left,
// the active one last and on top. Each keeps its own size, only made
// smaller where the area above the icons is smaller.
void CascadeWindows(QMdiArea &area)
{
    QList<QMdiSubWindow *> windows = area.subWindowList(QMdiArea::ActivationHistoryOrder);
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [](const QMdiSubWindow *w) { return w->isMinimized() || w->isHidden(); }),
                  windows.end());
    QMdiSubWindow *active = area.activeSubWindow();
    for (QMdiSubWindow *window : std::as_const(windows)) {
        if (window->isMaximized())
            window->showNormal();
    }
    const int height = ArrangeMinimized(area);
    if (windows.isEmpty())
        return;
    const int width = area.viewport()->width();
    const int step = std::max(8, windows.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr,
                                                                        windows.front()));
    int offset = 0;
    for (QMdiSubWindow *window : std::as_const(windows)) {
        // Back to the top left when the next step would leave too little room.
        if (offset > 0 && (offset + 4 * step > width || offset + 4 * step > height))
            offset = 0;
        const QSize size(std::min(window->width(), std::max(1, width - offset)),
                         std::min(window->height(), std::max(1, height - offset)));
        window->setGeometry(offset, offset, size.width(), size.height());
        window->raise();
        offset += step;
    }
    if (active)
        area.setActiveSubWindow(active);
}

} // namespace

// ---- help viewer ------------------------------------------------------------------------

std::shared_ptr<HelpViewer> frmMain::CreateHelpViewer(frmMain &window)
{
    auto viewer = std::make_shared<HelpViewer>(
        [&window] {
            const tarvel::ProgramState &state = window.m_state;
            // The data folder may have changed since start-up.
            return state.HelpFile.empty() || !tarvel::FileExists(state.HelpFile)
                ? tarvel::LocateHelpFile(state.ProgramFolder, state.DataFolder)
                : state.HelpFile;
        },
        window.m_prompts, &window);
    // The real prompts show the help through this viewer; the handlers hold
    // it weakly, so prompts that outlive the window ask nothing of it.
    if (auto *qtPrompts = dynamic_cast<QtPrompts *>(&window.m_prompts)) {
        std::weak_ptr<HelpViewer> weak = viewer;
        qtPrompts->SetHelpHandler(
            [weak](int topic) {
                if (const auto shown = weak.lock())
                    shown->ShowTopic(topic);
            },
            [weak](const QString &keyword) {
                if (const auto shown = weak.lock())
                    shown->Search(keyword);
            });
    }
    return viewer;
}

// ---- documents ------------------------------------------------------------------------

void frmMain::ShowFootnotes(int index)
{
    const std::optional<tarvel::DocumentRequest> request =
        tarvel::FootnoteDocument(m_state.Paths(), SelectedTable(), index);
    if (!request)
        return;
    frmDoc *document = OpenDocumentWindow(*this, *request);
    LoadDocument(*this, *document, request->Path);
}

void frmMain::ShowDocument(int index)
{
    // None of these is shown in unsuppressed mode.
    const std::optional<tarvel::DocumentRequest> request = tarvel::Documentation(m_state.Paths(), index);
    if (!request)
        return;
    frmDoc *document = nullptr;
    std::optional<std::string> text;
    {
        BusyCursor busy;
        document = OpenDocumentWindow(*this, *request);
        text = tarvel::ReadWholeFile(request->Path);
    }
    // The warning comes with the normal pointer back.
    if (!text) {
        tarvel::ReportFileNotAccessible(m_prompts, request->Path);
        return;
    }
    document->SetText(std::move(*text));
}

// ---- help, web site, About ----------------------------------------------------------------

void frmMain::HelpQuickStart()
{
    m_prompts.ShowHelp(8);
}

void frmMain::HelpContents()
{
    // Topic 0 asks the help viewer for its contents page.
    m_prompts.ShowHelp(0);
}

void frmMain::HelpIndex()
{
    m_prompts.ShowHelp(23);
}

void frmMain::HelpSearch()
{
    m_prompts.SearchHelp(QString());
}

void frmMain::OpenWebSite()
{
    OpenWithAssociatedApp(m_prompts, QString::fromLatin1(tarvel::WebSiteAddress), false);
}

void frmMain::ShowAbout()
{
    // The text's CR LF line ends become the message box's own.
    // The version, the licence, then where this run's files are.
    const std::string help = m_state.HelpFile.empty()
        ? tarvel::LocateHelpFile(m_state.ProgramFolder, m_state.DataFolder)
        : m_state.HelpFile;
    QString text = Latin1(tarvel::AboutText()) + QStringLiteral("\r\n\r\n")
        + Latin1(tarvel::AboutLicenceText()) + QStringLiteral("\r\n\r\n")
        + QString::fromLocal8Bit(tarvel::AboutLocationsText(
            ShowsSampleData() ? m_state.DataFolder + " (sample data)" : m_state.DataFolder,
            m_settings.File().string(), help));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_prompts.Message(QString::fromLatin1(tarvel::AboutTitle), text, QMessageBox::Information);
}

// ---- view settings ------------------------------------------------------------------------

void frmMain::ChooseDisplayFont()
{
    const std::optional<QFont> chosen = m_prompts.ChooseFont(DisplayFont(), false);
    if (!chosen)
        return;
    m_fontDialogChoice = *chosen;
    m_state.DisplayFontName = chosen->family().toLatin1().toStdString();
    // A font given in pixels has no point size; the old size then stays.
    if (chosen->pointSizeF() > 0)
        m_state.DisplayFontSize = tarvel::WholeFontSize(chosen->pointSizeF());
    m_state.DisplayFontBold = chosen->bold();
    m_state.DisplayFontItalic = chosen->italic();
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
    m_state.DefaultWindowWidth = PixelsToTwipsX(active->width(), active);
    m_state.DefaultWindowHeight = PixelsToTwipsY(active->height(), active);
    ResizeChildWindowsToDefault();
}

void frmMain::ToggleReverse()
{
    // The action toggles its own check mark; the next table built reads it.
    m_state.Reverse = mnuReverse->isChecked();
}

// ---- window management ------------------------------------------------------------------

void frmMain::ArrangeWindows(int index)
{
    switch (index) {
    case 0:
        CascadeWindows(*m_mdi);
        break;
    case 1:
        TileWindows(*m_mdi, tarvel::TileDirection::Horizontal);
        break;
    case 2:
        TileWindows(*m_mdi, tarvel::TileDirection::Vertical);
        break;
    case 3:
        ArrangeMinimized(*m_mdi);
        break;
    default:
        break;
    }
}

void frmMain::CloseAllWindows()
{
    // Only child windows: dialogs and the help window stay.
    for (QMdiSubWindow *window : NewestFirst(*m_mdi))
        window->close();
}

void frmMain::MinimizeAllWindows()
{
    for (QMdiSubWindow *window : NewestFirst(*m_mdi))
        window->showMinimized();
}
