// The main window's display commands: the table view of the next chosen
// area and the one-line view. The grids come from the core builders.
#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_child_frame.h"
#include "viewer/qt/qt_text.h"

#include "viewer/qt/qt_busy_cursor.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_twips.h"
#include "core/selection/selection.h"
#include "core/catalog/table_catalog.h"
#include "viewer/display/frmDisplay.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTableView>

#include <algorithm>
#include <optional>

namespace {

/// The child window captioned exactly caption, or nullptr. A sorted window
/// is known by the caption it has in area order, a window of computed
/// figures by the caption of its published values.
QMdiSubWindow *FindChildWindow(const QMdiArea *area, const QString &caption)
{
    const QList<QMdiSubWindow *> windows = area->subWindowList();
    const auto found = std::find_if(windows.begin(), windows.end(), [&caption](const QMdiSubWindow *window) {
        if (const auto *display = qobject_cast<const frmDisplay *>(window->widget()))
            return Latin1(display->PublishedData().Caption) == caption;
        return window->windowTitle() == caption;
    });
    return found == windows.end() ? nullptr : *found;
}

/// An existing window asked for again: restored to the normal state, even
/// from minimized, and given the focus.
void BringForward(QMdiArea *area, QMdiSubWindow *window)
{
    // While another child window is maximized, activation would maximize
    // this one too.
    const bool keepsState = area->testOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    area->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, true);
    window->showNormal();
    area->setActiveSubWindow(window);
    window->showNormal();
    area->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, keepsState);
    if (QWidget *content = window->widget())
        content->setFocus();
}

frmDisplay *ActiveDisplay(const QMdiArea *area)
{
    QMdiSubWindow *window = area->activeSubWindow();
    return window ? qobject_cast<frmDisplay *>(window->widget()) : nullptr;
}

enum class Look { Full, PrintAll };

/// Puts a built grid of the table code into a new child window and shows it
/// as the active one. Print-all windows are small, keep the default font
/// and column widths and get no cursor; full windows get the display font,
/// the default size (wider where the window area holds every quarter
/// chosen), measured columns and the cursor on cell (1, 1), moved to the
/// newest quarter when the years run oldest first (reversed false). The
/// window's context menu is windowMenu.
frmDisplay *OpenDisplayWindow(frmMain &main, tarvel::Grid grid, std::string code, Look look, QMenu *windowMenu,
                              bool reversed)
{
    tarvel::ProgramState &state = main.State();
    QMdiArea *area = main.MdiArea();
    // Follow activation from the first display window on at the latest.
    QObject::connect(area, &QMdiArea::subWindowActivated, &main, &frmMain::UpdateOneLineCommand,
                     Qt::UniqueConnection);

    auto *display = new frmDisplay(std::move(grid), std::move(code));
    display->SetContextMenu(windowMenu);
    display->SetResizePaused([&state] { return state.PrintAllMode; });
    QMdiSubWindow *window = area->addSubWindow(new ChildFrame(display));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(display->windowTitle());

    // A new window is in the normal state until it is shown (a maximized
    // active window makes it maximized then).
    if (look == Look::PrintAll) {
        window->resize(TwipsToPixelsX(6000, window), TwipsToPixelsY(100, window));
    } else {
        display->SetGridFont(main.DisplayFont());
        display->SetColumnWidths();
        // The default size, made wider where the window area has room for
        // every quarter chosen beside the titles.
        const int defaultWidth = TwipsToPixelsX(state.Display.DefaultWindowWidth, window);
        const int frame = 2 * window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
        const int wanted = std::min(display->WidthShowingAllColumns() + frame, area->viewport()->width());
        window->resize(std::max(defaultWidth, wanted), TwipsToPixelsY(state.Display.DefaultWindowHeight, window));
        display->SetCurrentCell(1, 1);
    }
    window->show();
    area->setActiveSubWindow(window);
    if (look == Look::Full) {
        display->grdData->setFocus();
        if (!reversed)
            display->MoveToRowEnd();
    }
    return display;
}

} // namespace

void frmMain::RunDisplay()
{
    if (const auto message = tarvel::ReadinessMessage(tarvel::DisplayReadiness(m_state))) {
        m_prompts.Message(QString::fromLatin1(message->title), QString::fromLatin1(message->text),
                          QMessageBox::Information);
        return;
    }

    std::optional<BusyCursor> busy(std::in_place);
    const std::string code = m_state.TableCode;
    m_state.CurrentArea = m_state.ViewForward
        ? tarvel::NextSelectedArea(code, m_state.AreaSelected, m_state.CurrentArea)
        : tarvel::PreviousSelectedArea(code, m_state.AreaSelected, m_state.CurrentArea);

    tarvel::TableViewRequest request;
    request.Paths = m_state.Paths();
    request.Code = code;
    request.CurrentArea = m_state.CurrentArea;
    request.QuarterSelected = m_state.QuarterSelected;
    request.Reverse = mnuReverse->isChecked();
    request.PrintAllMode = m_state.PrintAllMode;

    const tarvel::Result<std::string> caption = tarvel::TableViewCaption(request);
    if (!caption) {
        busy.reset();
        tarvel::ReportFailure(m_prompts, caption.Error());
        return;
    }
    // Two windows never share a caption: the one on screen comes forward,
    // even when the quarter choice has changed since it was built.
    if (QMdiSubWindow *existing = FindChildWindow(m_mdi, Latin1(*caption))) {
        BringForward(m_mdi, existing);
        return;
    }

    // The grid is complete before any window exists, so a file that fails
    // leaves nothing behind.
    tarvel::Result<tarvel::Grid> grid = tarvel::BuildTableView(request);
    if (!grid) {
        busy.reset();
        tarvel::ReportFailure(m_prompts, grid.Error());
        return;
    }
    OpenDisplayWindow(*this, std::move(*grid), code, m_state.PrintAllMode ? Look::PrintAll : Look::Full, mnuWindow,
                      request.Reverse);
}

void frmMain::RunShowOneLine()
{
    // Every precondition fails silently.
    const frmDisplay *source = ActiveDisplay(m_mdi);
    if (!source || source->CurrentRow() < 1)
        return;
    // The line and quarters as published: a window of annual averages
    // shows years.
    const std::optional<tarvel::OneLineSource> line =
        tarvel::ReadOneLineSource(source->PublishedData(), source->AreaOrderRow(source->CurrentRow()));
    if (!line)
        return;
    if (QMdiSubWindow *existing = FindChildWindow(m_mdi, Latin1(tarvel::OneLineCaption(line->Code, line->Title)))) {
        BringForward(m_mdi, existing);
        return;
    }

    std::optional<BusyCursor> busy(std::in_place);
    tarvel::Result<tarvel::Grid> grid = tarvel::BuildOneLineView(m_state.Paths(), *line, mnuReverse->isChecked());
    if (!grid) {
        busy.reset();
        tarvel::ReportFailure(m_prompts, grid.Error());
        return;
    }
    // The one-line view opens in the units of the window it comes from.
    const tarvel::UnitsChoice units = source->Units();
    tarvel::Result<tarvel::Grid> shown = InUnitsOf(*source, *grid);
    if (!shown) {
        busy.reset();
        tarvel::ReportFailure(m_prompts, shown.Error());
        return;
    }
    // A one-line view ignores print-all mode.
    frmDisplay *display = OpenDisplayWindow(*this, std::move(*grid), line->Code, Look::Full, mnuWindow,
                                            mnuReverse->isChecked());
    if (!units.IsPublished())
        display->ShowUnits(units, std::move(*shown));
    UpdateUnitsCommand(m_mdi->activeSubWindow());
}

void frmMain::UpdateOneLineCommand(QMdiSubWindow *active)
{
    // Called once at start-up (or with the first display window), this also
    // makes the command follow every later activation.
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &frmMain::UpdateOneLineCommand, Qt::UniqueConnection);
    bool available = false;
    if (auto *display = active ? qobject_cast<frmDisplay *>(active->widget()) : nullptr) {
        display->grdData->viewport()->update();
        available = display->Tag() != tarvel::ChildKind::SOL
            && tarvel::ShapeOf(display->TableCode()) == tarvel::TableShape::AreaBlocks;
    }
    mnuShowOneLine->setEnabled(available);
    cmdShowOneLine->setVisible(available);
}

