#include "viewer/display/frmDisplay.h"
#include "viewer/qt/qt_text.h"

#include "viewer/qt/qt_focus_frame.h"
#include "viewer/qt/qt_screen_reader.h"
#include "viewer/qt/qt_status_note.h"
#include "viewer/qt/qt_twips.h"
#include "viewer/display/qt_grid_model.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/views/table_view_builder.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>
#include <utility>

namespace {

// Rows leave a little room above and below the text, as the grid always has.
constexpr int RowPadding = 5;

// The grid scrolls by whole rows and columns. At the end of its range a
// table view lines the last column up with the right edge, which cuts the
// first column in view and shows a part of a number as if it were one; here
// the first row and column in view always start whole and any room is left
// after the last ones.
class GridView final : public QTableView {
public:
    using QTableView::QTableView;
    // The cells take the room the title column leaves them at once.
    void FollowTitleColumn() { updateGeometries(); }

protected:
    // The grid selects one block of cells, as it always has, with one
    // addition: Ctrl with a click or a drag adds cells (rows to chart) to
    // the selection, or takes them out, as in a spreadsheet, so that lines
    // that are not next to each other can be charted together. Every key
    // selects as before. Ctrl+Shift+Home and Ctrl+Shift+End extend the
    // selection to the first or last cell, as Shift with any other
    // movement key does; the stock view only moves there, the Ctrl keeping
    // the selection as it is.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override
    {
        if (event && event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<const QKeyEvent *>(event);
            const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::ShiftModifier;
            if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) && (key->modifiers() & both) == both)
                return QItemSelectionModel::SelectCurrent;
        }
        // The view selects several blocks; all but Ctrl with the mouse
        // select one block, as a view of one block does.
        const QItemSelectionModel::SelectionFlags flags = QTableView::selectionCommand(index, event);
        const bool mouse = event
            && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
                || event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonDblClick);
        const auto *input = mouse ? static_cast<const QInputEvent *>(event) : nullptr;
        if (input && (input->modifiers() & Qt::ControlModifier) && !(input->modifiers() & Qt::ShiftModifier))
            return flags;
        // A click on a line title or a quarter comes without its event: the
        // keys held say whether Ctrl adds that row or column.
        if (!event && (QGuiApplication::keyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier))
                          == Qt::ControlModifier
            && QGuiApplication::mouseButtons() != Qt::NoButton)
            return flags;
        const bool button = event
            && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease);
        return OneBlock(flags, button);
    }

    void scrollContentsBy(int dx, int dy) override
    {
        QTableView::scrollContentsBy(dx, dy);
        SnapToWholeSections();
    }
    void updateGeometries() override
    {
        QTableView::updateGeometries();
        SnapToWholeSections();
    }

private:
    // What a view of one block does with the command a view of several
    // blocks gives: a command that would add to the selection extends the
    // block instead, one that would leave it alone starts a new block
    // (except on a mouse button's press or release).
    static QItemSelectionModel::SelectionFlags OneBlock(QItemSelectionModel::SelectionFlags flags, bool button)
    {
        const QItemSelectionModel::SelectionFlags kind = QItemSelectionModel::Clear | QItemSelectionModel::Select
            | QItemSelectionModel::Deselect | QItemSelectionModel::Toggle | QItemSelectionModel::Current;
        const QItemSelectionModel::SelectionFlags command = flags & kind;
        if (command == QItemSelectionModel::Clear || command == QItemSelectionModel::ClearAndSelect
            || command == QItemSelectionModel::SelectCurrent)
            return flags;
        if (command == QItemSelectionModel::NoUpdate)
            return button ? flags : QItemSelectionModel::ClearAndSelect;
        return QItemSelectionModel::SelectCurrent;
    }

    void SnapToWholeSections()
    {
        bool moved = Snap(horizontalHeader(), horizontalScrollBar());
        moved = Snap(verticalHeader(), verticalScrollBar()) || moved;
        if (moved)
            viewport()->update();
    }
    static bool Snap(QHeaderView *header, const QScrollBar *bar)
    {
        if (bar->maximum() == 0 || bar->value() != bar->maximum())
            return false;
        const int first = header->logicalIndex(bar->value());
        if (first < 0)
            return false;
        const int position = header->sectionPosition(first);
        if (header->offset() == position)
            return false;
        header->setOffset(position);
        return true;
    }
};

// The column of line titles: a title wider than the column (which gives
// way to a quarter column in a narrow window) ends in "...".
class TitleHeader final : public QHeaderView {
public:
    // A click on a title chooses its line, as on the view's own header.
    explicit TitleHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent) { setSectionsClickable(true); }

protected:
    void initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const override
    {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        const int room = width() - 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, option, this);
        if (option->fontMetrics.horizontalAdvance(option->text) > room)
            option->text = option->fontMetrics.elidedText(option->text, Qt::ElideRight, room);
    }
};

} // namespace

frmDisplay::frmDisplay(tarvel::Grid grid, std::string tableCode, QWidget *parent)
    : QWidget(parent), m_published(grid), m_units(tarvel::UnitsOf(grid)), m_tableCode(std::move(tableCode))
{
    setObjectName(QStringLiteral("frmDisplay"));
    setWindowTitle(Latin1(grid.Caption));
    m_model = new GridModel(std::move(grid), this);

    grdData = new GridView(this);
    grdData->setObjectName(QStringLiteral("grdData"));
    grdData->setModel(m_model);
    grdData->setVerticalHeader(new TitleHeader(grdData));
    FocusFrameDelegate::Install(grdData);
    grdData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdData->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grdData->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdData->setWordWrap(false);
    grdData->setTextElideMode(Qt::ElideNone);
    // A screen reader names the grid after its window: "ZR4 ... Alabama, table".
    grdData->setAccessibleName(windowTitle());
    // Tab leaves the grid; the arrows, Home, End and the page keys move in it.
    grdData->setTabKeyNavigation(false);
    setFocusProxy(grdData);
    // Scrolling goes by whole rows and columns, so the first column in view
    // is never cut.
    grdData->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    grdData->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    for (QHeaderView *header : {grdData->horizontalHeader(), grdData->verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setMinimumSectionSize(1);
        header->setTextElideMode(Qt::ElideNone);
        // A highlighted section would be drawn bold, wider than its column
        // was measured; the quarter labels and line titles keep the grid font.
        header->setHighlightSections(false);
        header->viewport()->installEventFilter(this);
    }
    grdData->viewport()->installEventFilter(this);
    grdData->installEventFilter(this);
    // The corner above the line titles is cell (0, 0) of the grid.
    m_corner = grdData->findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly);
    if (m_corner) {
        m_corner->installEventFilter(this);
        m_corner->setAccessibleName(QStringLiteral("Select all cells"));
    }

    // A one-line window (and the table whose lines are the areas) ranks its
    // areas by a quarter: a click on the quarter's header, or the sort key
    // on the current column, gives highest first, lowest first, area order.
    if (m_model->Sortable()) {
        QHeaderView *header = grdData->horizontalHeader();
        header->setSortIndicator(-1, Qt::DescendingOrder);
        header->setSortIndicatorClearable(true);
        grdData->setSortingEnabled(true);
        connect(m_model, &GridModel::AreaOrderChanged, this, &frmDisplay::ShowAreaOrder);
        auto *sortKey = new QShortcut(SortKey(), this);
        sortKey->setObjectName(QStringLiteral("keySort"));
        sortKey->setContext(Qt::WidgetWithChildrenShortcut);
        connect(sortKey, &QShortcut::activated, this, &frmDisplay::SortByCurrentColumn);
    }

    SetGridFont(font());
}

const tarvel::Grid &frmDisplay::AreaOrderData() const
{
    return m_model->AreaOrderData();
}

int frmDisplay::AreaOrderRow(int shownRow) const
{
    return m_model->AreaOrderRow(shownRow);
}

bool frmDisplay::Sortable() const
{
    return m_model->Sortable();
}

bool frmDisplay::IsSorted() const
{
    return m_model->Order() != tarvel::AreaOrder::ByArea;
}

QKeySequence frmDisplay::SortKey()
{
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
}

void frmDisplay::SortByColumn(int column)
{
    if (!Sortable() || column < 1 || column >= Data().Columns())
        return;
    // The header keeps the sort; the view sorts the model when it changes.
    const tarvel::AreaOrder next = tarvel::NextAreaOrder(m_model->Order(), m_model->SortColumn(), column);
    QHeaderView *header = grdData->horizontalHeader();
    if (next == tarvel::AreaOrder::ByArea)
        header->setSortIndicator(-1, Qt::DescendingOrder);
    else
        header->setSortIndicator(column - 1,
                                 next == tarvel::AreaOrder::HighestFirst ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void frmDisplay::SortByCurrentColumn()
{
    SortByColumn(CurrentColumn());
}

void frmDisplay::ShowCaption()
{
    const QString caption = Latin1(Data().Caption);
    setWindowTitle(caption);
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->setWindowTitle(caption);
    grdData->setAccessibleName(caption);
}

void frmDisplay::ShowUnits(const tarvel::UnitsChoice &choice, tarvel::Grid computed)
{
    const int row = CurrentRow();
    const int column = CurrentColumn();
    const bool wasSorted = IsSorted();
    m_units = choice;
    m_model->ReplaceGrid(std::move(computed));
    // The header shows the sort the model kept: the quarter ranked by may
    // stand in another column, or in none.
    if (wasSorted) {
        QHeaderView *header = grdData->horizontalHeader();
        const QSignalBlocker quiet(header);
        if (IsSorted())
            header->setSortIndicator(m_model->SortColumn() - 1, m_model->Order() == tarvel::AreaOrder::HighestFirst
                                                                    ? Qt::DescendingOrder
                                                                    : Qt::AscendingOrder);
        else
            header->setSortIndicator(-1, Qt::DescendingOrder);
    }
    ShowCaption();
    ApplyRowHeights();
    if (m_titleWidth > 0)
        SetColumnWidths();
    const int rows = m_model->rowCount();
    const int columns = m_model->columnCount();
    if (row >= 1 && rows > 0 && columns > 0)
        SetCurrentCell(std::min(row, rows), std::clamp(column, 1, columns));
}

void frmDisplay::ShowAreaOrder()
{
    ShowCaption();
    // A screen reader hears the grid's new name ("..., sorted by 2008.1,
    // highest first"); the view reports the rows' new order itself.
    const QModelIndex current = grdData->currentIndex();
    if (current.isValid())
        grdData->scrollTo(current);
    // The focus stays where it is: the new order is said in the status bar.
    QString note = QStringLiteral("In area order");
    if (const int column = m_model->SortColumn(); column > 0) {
        const std::string label = tarvel::Trim(Data().Cell(0, column));
        const std::string spoken = tarvel::SpokenQuarterLabel(label);
        note = Latin1(tarvel::SortedByText(spoken.empty() ? label : spoken, m_model->Order()));
        note[0] = note[0].toUpper();
    }
    StatusNote::Post(this, note);
}

void frmDisplay::SayCurrentCell()
{
    // The view names its current cell to a screen reader only when the cell
    // changes; coming back to the grid (F6, Tab, another window) it would
    // name the grid alone.
    if (!ScreenReaderListens() || !grdData->hasFocus())
        return;
    const QModelIndex current = grdData->currentIndex();
    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(grdData);
    QAccessibleTableInterface *cells = table ? table->tableInterface() : nullptr;
    QAccessibleInterface *cell = cells && current.isValid() ? cells->cellAt(current.row(), current.column()) : nullptr;
    if (!cell)
        return;
    QAccessibleEvent event(grdData, QAccessible::Focus);
    event.setChild(table->indexOfChild(cell));
    TellScreenReader(event);
}

tarvel::PrintSnapshot frmDisplay::Snapshot() const
{
    return tarvel::PrintSnapshot::FromGrid(Data());
}

const tarvel::Grid &frmDisplay::Data() const
{
    return m_model->Data();
}

QFont frmDisplay::OwnFont()
{
    QFont own(QStringLiteral("MS Sans Serif"));
    own.setPointSizeF(8.25);
    own.setBold(true);
    return own;
}

void frmDisplay::SetGridFont(const QFont &gridFont)
{
    grdData->setFont(gridFont);
    // The desktop gives header views a font of their own; row 0, column 0
    // and the corner are drawn in the grid's font like every other cell.
    grdData->horizontalHeader()->setFont(gridFont);
    grdData->verticalHeader()->setFont(gridFont);
    if (m_corner)
        m_corner->setFont(gridFont);
    m_rowHeight = QFontMetrics(gridFont, grdData).height() + RowPadding;
    ApplyRowHeights();
}

void frmDisplay::ApplyRowHeights()
{
    QHeaderView *rows = grdData->verticalHeader();
    // A new default size resets every row, so the spacers are halved afterwards.
    rows->setDefaultSectionSize(m_rowHeight);
    const int half = static_cast<int>(std::lround(m_rowHeight / 2.0));
    const tarvel::Grid &grid = Data();
    for (int r = 1; r < grid.Rows(); ++r) {
        if (grid.HalfHeight(r))
            rows->resizeSection(r - 1, half);
    }
    grdData->horizontalHeader()->setFixedHeight(m_rowHeight);
}

void frmDisplay::SetColumnWidths()
{
    // The own font sets the widths, but the cells, the quarter labels and the
    // line titles are drawn in the grid font: each text gets the larger of
    // its two widths, so a larger display font never cuts a value.
    const QFontMetricsF own(OwnFont(), grdData);
    const QFontMetricsF drawn(grdData->font(), grdData);
    const auto wider = [&own, &drawn](const QString &text) {
        return std::max(own.horizontalAdvance(text), drawn.horizontalAdvance(text));
    };
    // Shaping each text is most of a Display command's time (a ZR1 window
    // holds 15,000 cells). When the fonts give every digit one width, texts
    // that differ only in their digits are equally wide, so each pattern
    // (digits read as "0") is measured once.
    bool evenDigits = true;
    for (const QFontMetricsF *metrics : {&own, &drawn}) {
        const qreal zeroWidth = metrics->horizontalAdvance(QLatin1Char('0'));
        for (char digit = '1'; digit <= '9'; ++digit)
            evenDigits = evenDigits && metrics->horizontalAdvance(QLatin1Char(digit)) == zeroWidth;
    }
    std::unordered_map<std::string, double> measured;
    std::string pattern;
    const std::vector<double> widths = tarvel::ColumnWidths(Data(), [&](std::string_view text) {
        pattern.assign(text);
        if (evenDigits)
            std::replace_if(pattern.begin(), pattern.end(), [](char c) { return c >= '1' && c <= '9'; }, '0');
        const auto [entry, added] = measured.try_emplace(pattern, 0.0);
        if (added)
            entry->second = wider(Latin1(pattern));
        return entry->second;
    });
    for (std::size_t c = 0; c < widths.size(); ++c) {
        const int pixels = static_cast<int>(std::ceil(widths[c]));
        if (c == 0)
            m_titleWidth = pixels;
        else
            grdData->horizontalHeader()->resizeSection(static_cast<int>(c) - 1, pixels);
    }
    FitTitleColumn();
}

int frmDisplay::WidthShowingAllColumns() const
{
    const QHeaderView *quarters = grdData->horizontalHeader();
    int width = 2 * grdData->frameWidth() + m_titleWidth + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grdData);
    for (int c = 0; c < quarters->count(); ++c)
        width += quarters->sectionSize(c);
    return width;
}

void frmDisplay::FitTitleColumn()
{
    if (m_titleWidth <= 0)
        return;
    QHeaderView *titles = grdData->verticalHeader();
    const QHeaderView *quarters = grdData->horizontalHeader();
    int widest = 0;
    for (int c = 0; c < quarters->count(); ++c)
        widest = std::max(widest, quarters->sectionSize(c));
    // The room inside the frame, less the scroll bar while the rows are
    // taller than the grid.
    const int frame = 2 * grdData->frameWidth();
    int room = grdData->width() - frame;
    if (titles->length() > grdData->height() - frame - quarters->height())
        room -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grdData);
    const QFontMetrics metrics(grdData->font(), grdData);
    const int least = std::min(m_titleWidth, metrics.horizontalAdvance(m_model->CornerText() + QLatin1Char('0')));
    const int width = widest > 0 ? std::clamp(room - widest, least, m_titleWidth) : m_titleWidth;
    if (titles->width() != width || titles->minimumWidth() != width) {
        titles->setFixedWidth(width);
        static_cast<GridView *>(grdData)->FollowTitleColumn();
    }
}

QString frmDisplay::CutTitleAt(QPoint position) const
{
    const QHeaderView *titles = grdData->verticalHeader();
    if (titles->width() >= m_titleWidth)
        return {};
    const int section = titles->logicalIndexAt(position);
    if (section < 0)
        return {};
    const QString title = m_model->headerData(section, Qt::Vertical).toString();
    const QFontMetrics metrics(titles->font(), titles);
    // The style leaves a margin on either side of a section's text.
    const int margin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, titles);
    return metrics.horizontalAdvance(title) + margin > titles->width() ? title.trimmed() : QString();
}

int frmDisplay::ColumnWidth(int column) const
{
    if (column == 0)
        return grdData->verticalHeader()->width();
    return grdData->horizontalHeader()->sectionSize(column - 1);
}

int frmDisplay::RowHeight(int row) const
{
    if (row == 0)
        return grdData->horizontalHeader()->height();
    return grdData->verticalHeader()->sectionSize(row - 1);
}

void frmDisplay::SetCurrentCell(int row, int column)
{
    const QModelIndex index = m_model->index(row - 1, column - 1);
    if (index.isValid())
        grdData->setCurrentIndex(index);
}

int frmDisplay::CurrentRow() const
{
    const QModelIndex index = grdData->currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}

int frmDisplay::CurrentColumn() const
{
    const QModelIndex index = grdData->currentIndex();
    return index.isValid() ? index.column() + 1 : 0;
}

void frmDisplay::MoveToRowEnd()
{
    const int lastColumn = m_model->columnCount() - 1;
    if (lastColumn < 0 || m_model->rowCount() == 0)
        return;
    const int row = std::max(CurrentRow(), 1);
    const QModelIndex index = m_model->index(row - 1, lastColumn);
    grdData->setCurrentIndex(index);
    grdData->scrollTo(index);
}

void frmDisplay::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_resizePaused && m_resizePaused())
        return;
    const QWidget *outer = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!outer)
        outer = this;
    if (outer->isMinimized())
        return;
    // A window of 100 twips or less (a new one before its size is set, or
    // one squeezed to nothing) leaves the grid as it was in that direction.
    QRect geometry = grdData->geometry();
    geometry.moveTopLeft(QPoint(0, 0));
    if (PixelsToTwipsX(outer->width(), this) > 100)
        geometry.setWidth(width());
    if (PixelsToTwipsY(outer->height(), this) > 100)
        geometry.setHeight(height());
    grdData->setGeometry(geometry);
    FitTitleColumn();
}

bool frmDisplay::eventFilter(QObject *watched, QEvent *event)
{
    // After the grid's own news of the focus, which names the grid.
    if (watched == grdData && event->type() == QEvent::FocusIn
        && static_cast<QFocusEvent *>(event)->reason() != Qt::MouseFocusReason)
        QMetaObject::invokeMethod(this, &frmDisplay::SayCurrentCell, Qt::QueuedConnection);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton && m_contextMenu) {
            m_contextMenu->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    if (watched == m_corner && event->type() == QEvent::Paint)
        return PaintCorner(m_corner);
    if (watched == grdData->verticalHeader()->viewport() && event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString title = CutTitleAt(help->pos());
        if (title.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), title, grdData->verticalHeader()->viewport());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool frmDisplay::PaintCorner(QWidget *corner)
{
    // Drawn like a header section, with the text of cell (0, 0).
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.state = QStyle::State_None;
    if (corner->isEnabled())
        option.state |= QStyle::State_Enabled;
    if (corner->isActiveWindow())
        option.state |= QStyle::State_Active;
    option.rect = corner->rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.text = m_model->CornerText();
    option.textAlignment = m_model->CornerAlignment();
    QPainter painter(corner);
    corner->style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
    return true;
}
