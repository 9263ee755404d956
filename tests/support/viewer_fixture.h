#pragma once

// Fixtures of the viewer tests (Qt): only tests that link the viewer
// include this header.
#include "viewer/display/frmDisplay.h"
#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_child_window.h"
#include "viewer/selection/frmPickList.h"
#include "core/catalog/table_catalog.h"
#include "core/views/grid.h"
#include "scripted_prompts.h"

#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

namespace tarvel::test {

/// A temporary folder's path ending in '/'.
inline std::string Folder(const QTemporaryDir &dir)
{
    return dir.path().toStdString() + "/";
}

/// The table or one-line window shown in window; nullptr for any other.
inline frmDisplay *DisplayOf(QMdiSubWindow *window)
{
    return window ? qobject_cast<frmDisplay *>(window->widget()) : nullptr;
}

/// Clicks the series and table buttons that show code; false when no button
/// shows it.
inline bool SelectTable(frmMain &window, const std::string &code)
{
    for (int series = 0; series < SeriesGroupCount; ++series) {
        const std::vector<std::string> tables = SeriesGroupTables(series);
        for (std::size_t t = 0; t < tables.size(); ++t) {
            if (tables[t] == code) {
                window.Controls().optSeries[static_cast<std::size_t>(series)]->click();
                window.Controls().optTable[t]->click();
                return window.State().TableCode == code;
            }
        }
    }
    return false;
}

/// Chooses entry of the quarter list as a click on it does.
inline void ChooseQuarterEntry(frmMain &window, int entry)
{
    window.Controls().cboYears->setCurrentIndex(entry);
    emit window.Controls().cboYears->activated(entry);
}

/// Chooses areas (1..60) in the area pick list and presses its OK.
inline void ChooseAreasInPickList(frmMain &window, ScriptedPrompts &prompts, const std::vector<int> &areas)
{
    prompts.dialogScript = [&areas](QDialog &dialog) {
        auto &pick = static_cast<frmPickList &>(dialog);
        for (int area : areas)
            pick.lstPick->item(area - 1)->setSelected(true);
        pick.cmdOK->click();
    };
    window.Controls().cmdStates->click();
    prompts.dialogScript = nullptr;
}

/// A child window that shows nothing and prints what it is given.
class TestChild final : public QWidget, public ChildWindow {
public:
    explicit TestChild(PrintSnapshot snapshot) : m_snapshot(std::move(snapshot)) {}
    ChildKind Tag() const override { return m_snapshot.Tag; }
    PrintSnapshot Snapshot() const override { return m_snapshot; }

private:
    PrintSnapshot m_snapshot;
};

/// Data rows "Row 1".. with cells "r.c" under column headings "Q1"..: enough
/// of them make several pages each way.
inline Grid TestGrid(int rows, int columns, const std::string &caption)
{
    Grid grid(rows + 1, columns + 1);
    // The captions given begin with the table code.
    grid.Code = caption.substr(0, caption.find(' '));
    grid.Caption = caption;
    for (int r = 0; r <= rows; ++r) {
        grid.SetCell(r, 0, r ? "Row " + std::to_string(r) : "");
        for (int c = 1; c <= columns; ++c)
            grid.SetCell(r, c, r ? std::to_string(r) + "." + std::to_string(c) : "Q" + std::to_string(c));
    }
    return grid;
}

/// What program writes on its standard output when run with arguments.
inline QString Tool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

/// The page count of a PDF file as pdfinfo reads it; -1 when it reads none.
inline int PdfPages(const QString &file)
{
    const QString info = Tool(QStringLiteral("pdfinfo"), {file});
    const qsizetype at = info.indexOf(QStringLiteral("Pages:"));
    return at < 0 ? -1 : info.mid(at + 6).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
}

} // namespace tarvel::test
