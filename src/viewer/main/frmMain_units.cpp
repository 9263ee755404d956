// The units commands: the "&Units" menu and each table or one-line window's
// own units control show the window's grid in other units, computed from
// the published values (core/views/computed_view.h).
#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_text.h"

#include "viewer/display/frmDisplay.h"
#include "viewer/qt/qt_busy_cursor.h"
#include "viewer/qt/qt_prompts.h"
#include "core/catalog/table_catalog.h"
#include "core/catalog/text_helpers.h"
#include "core/views/computed_view.h"

#include <QAction>
#include <QActionGroup>
#include <QBoxLayout>
#include <QComboBox>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>

#include <algorithm>
#include <optional>
#include <string>

namespace {

frmDisplay *DisplayIn(const QMdiSubWindow *window)
{
    return window ? qobject_cast<frmDisplay *>(window->widget()) : nullptr;
}

const QString BaseQuarterTitle = QStringLiteral("Index, a chosen quarter = 100");

} // namespace

void frmMain::CreateUnitsCommands()
{
    mnuUnits = new QMenu(QStringLiteral("&Units"), this);
    mnuUnits->setObjectName(QStringLiteral("mnuUnits"));
    mnuUnits->menuAction()->setObjectName(QStringLiteral("mnuUnitsAction"));
    // Beside the file commands that read the active window.
    menuBar()->insertMenu(mnuSettings->menuAction(), mnuUnits);
    auto *group = new QActionGroup(mnuUnits);
    group->setExclusive(true);
    const auto &table = tarvel::UnitsTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const tarvel::UnitsEntry &entry = table[i];
        QAction *action = mnuUnits->addAction(Latin1(std::string(entry.Name)));
        action->setObjectName(QStringLiteral("mnuUnit_") + Latin1(std::string(entry.ShortName)));
        action->setCheckable(true);
        group->addAction(action);
        mnuUnit[i] = action;
        const tarvel::Units unit = entry.Unit;
        connect(action, &QAction::triggered, this, [this, unit] { ChooseUnits(unit); });
    }

    // The same choice in the numbered controls' row, after the display
    // buttons: the keyboard reaches it with Tab, a reader names it "Units".
    fraUnits = new QGroupBox(QStringLiteral("Units"), picMain);
    fraUnits->setObjectName(QStringLiteral("fraUnits"));
    auto *layout = new QHBoxLayout(fraUnits);
    layout->setContentsMargins(6, 4, 6, 6);
    cboUnits = new QComboBox(fraUnits);
    cboUnits->setObjectName(QStringLiteral("cboUnits"));
    cboUnits->setAccessibleName(QStringLiteral("Units"));
    cboUnits->setToolTip(QStringLiteral("What the active window's cells show: the published values or figures "
                                        "computed from them"));
    cboUnits->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // As the quarter list: the wheel changes it only while it has the focus.
    cboUnits->setFocusPolicy(Qt::StrongFocus);
    for (const tarvel::UnitsEntry &entry : table)
        cboUnits->addItem(Latin1(std::string(entry.Name)), static_cast<int>(entry.Unit));
    layout->addWidget(cboUnits);
    if (auto *row = qobject_cast<QBoxLayout *>(picMain->layout()))
        row->insertWidget(std::max(row->count() - 1, 0), fraUnits, 0, Qt::AlignTop);
    connect(cboUnits, &QComboBox::activated, this, [this](int index) {
        const QVariant unit = cboUnits->itemData(index);
        if (unit.isValid())
            ChooseUnits(static_cast<tarvel::Units>(unit.toInt()));
    });

    connect(m_mdi, &QMdiArea::subWindowActivated, this, &frmMain::UpdateUnitsCommand);
    UpdateUnitsCommand(nullptr);
}

void frmMain::UpdateUnitsCommand(QMdiSubWindow *active)
{
    const frmDisplay *display = DisplayIn(active);
    mnuUnits->setEnabled(display != nullptr);
    const tarvel::Units shown = display ? display->Units().Unit : tarvel::Units::Level;
    const auto &table = tarvel::UnitsTable();
    for (std::size_t i = 0; i < table.size(); ++i)
        mnuUnit[i]->setChecked(table[i].Unit == shown);
    cboUnits->setEnabled(display != nullptr);
    const QSignalBlocker quiet(cboUnits);
    cboUnits->setCurrentIndex(cboUnits->findData(static_cast<int>(shown)));
}

void frmMain::ChooseUnits(tarvel::Units unit)
{
    QMdiSubWindow *active = m_mdi->activeSubWindow();
    if (frmDisplay *display = DisplayIn(active))
        ShowUnitsIn(*display, unit);
    // The menu shows the window's units, also after a cancel or a failure.
    UpdateUnitsCommand(active);
}

bool frmMain::ShowUnitsIn(frmDisplay &display, tarvel::Units unit)
{
    const tarvel::Grid &published = display.PublishedData();
    tarvel::UnitsChoice choice{unit, 0};
    if (unit == tarvel::Units::Index && published.Model) {
        // The quarter that is 100: the window's own base again, else the
        // oldest quarter shown.
        const std::string &code = published.Code;
        const int count = tarvel::QuarterCount(code);
        const int base = display.Units().Unit == tarvel::Units::Index
            ? display.Units().BaseQuarter
            : tarvel::IndexBaseQuarter(choice, published.Model->Quarters);
        const QString first = Latin1(tarvel::QuarterLabel(1, code));
        const QString last = Latin1(tarvel::QuarterLabel(count, code));
        const QString prompt = QStringLiteral("The quarter that is 100 (YYYY.Q, %1 to %2):").arg(first, last);
        const std::optional<QString> answer = m_prompts.InputBox(
            BaseQuarterTitle, prompt, base >= 1 ? Latin1(tarvel::QuarterLabel(base, code)) : QString());
        if (!answer)
            return false;
        const std::string typed = tarvel::Trim(ToLatin1(*answer));
        const int k = tarvel::QuarterIndex(typed, code);
        if (k < 1 || k > count) {
            m_prompts.Message(BaseQuarterTitle,
                              QStringLiteral("\"%1\" is not a quarter of %2. Type a quarter from %3 to %4.")
                                  .arg(Latin1(typed), Latin1(code), first, last),
                              QMessageBox::Warning);
            return false;
        }
        choice.BaseQuarter = k;
    }
    if (choice == display.Units())
        return true;

    std::optional<BusyCursor> busy(std::in_place);
    tarvel::Result<tarvel::Grid> grid = tarvel::ComputeGrid(published, choice, m_state.Paths());
    if (!grid) {
        busy.reset();
        tarvel::ReportFailure(m_prompts, grid.Error());
        return false;
    }
    display.ShowUnits(choice, std::move(*grid));
    QueueCaptionUpdate();
    return true;
}

tarvel::Result<tarvel::Grid> frmMain::InUnitsOf(const frmDisplay &display, tarvel::Grid published) const
{
    if (display.Units().IsPublished())
        return published;
    return tarvel::ComputeGrid(published, display.Units(), m_state.Paths());
}

tarvel::UnitsChoice frmMain::PrintAllUnits() const
{
    const frmDisplay *display = DisplayIn(m_mdi->activeSubWindow());
    if (!display || display->Tag() == tarvel::ChildKind::SOL || display->TableCode() != m_state.TableCode)
        return {};
    return display->Units();
}
