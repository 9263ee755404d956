// What a screen reader and a keyboard user get from the program's windows:
// the accessible names, relations and access keys of every window and
// dialog, read in-process through QAccessible, and the whole workflow
// driven by keys alone.
#include "viewer/chart/frmChart.h"
#include "viewer/chart/qt_chart_view.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/display/frmScroll.h"
#include "viewer/export/frmExport.h"
#include "viewer/help/qt_help.h"
#include "viewer/main/frmMain.h"
#include "viewer/print/frmPrint.h"
#include "viewer/qt/qt_child_frame.h"
#include "viewer/qt/qt_contrast.h"
#include "viewer/qt/qt_progress.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_screen_reader.h"
#include "viewer/qt/qt_status_note.h"
#include "viewer/qt/qt_status_panel.h"
#include "viewer/qt/qt_tool_strip.h"
#include "viewer/selection/frmPickList.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/selection/selection.h"
#include "core/settings/settings_store.h"
#include "core/views/scroll_value.h"
#include "scripted_prompts.h"
#include "viewer_fixture.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QChart>
#include <QLegend>
#include <QMenuBar>
#include <QMessageBox>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QFontDialog>
#include <QInputDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Kind = ScriptedPrompts::Kind;

QString Describe(const QWidget *widget)
{
    QString text = widget->objectName() + QLatin1Char(' ') + QString::fromLatin1(widget->metaObject()->className());
    // A control of Qt's own is told by the control it is part of.
    if (widget->objectName().isEmpty() && widget->parentWidget())
        text += QStringLiteral(" in ") + Describe(widget->parentWidget());
    return text;
}

// A child window inside the main window counts as a window of its own.
const QWidget *WindowOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<const QMdiSubWindow *>(w) || w->isWindow())
            return w;
    }
    return widget;
}

// The selected block of cells in grid rows and columns (the view's row 0 is
// the grid's row 1); a null rectangle when nothing is selected.
QRect SelectedBlock(const frmDisplay &display)
{
    const QModelIndexList cells = display.grdData->selectionModel()->selectedIndexes();
    if (cells.isEmpty())
        return {};
    int top = cells.front().row(), bottom = top, left = cells.front().column(), right = left;
    for (const QModelIndex &cell : cells) {
        top = std::min(top, cell.row());
        bottom = std::max(bottom, cell.row());
        left = std::min(left, cell.column());
        right = std::max(right, cell.column());
    }
    return QRect(QPoint(left + 1, top + 1), QPoint(right + 1, bottom + 1));
}

QString AccessibleText(QWidget *widget, QAccessible::Text text)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(text).trimmed() : QString();
}

// The letter after a single '&', upper case; nothing when there is none.
QString Mnemonic(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return QStringLiteral("Alt+") + text[i + 1].toUpper();
    }
    return {};
}

bool IsAltKey(const QKeySequence &key)
{
    return key.count() == 1 && key[0].keyboardModifiers() == Qt::AltModifier;
}

/// The access keys of window's shown controls, each with the controls it
/// belongs to: mnemonics of buttons, buddied labels, group boxes, tabs and
/// the menu bar, and Alt shortcuts of buttons and of shortcut objects.
std::map<QString, QStringList> AccessKeys(QWidget *window)
{
    std::map<QString, QStringList> keys;
    const auto add = [&keys](const QString &key, const QString &owner) {
        if (!key.isEmpty() && !keys[key].contains(owner))
            keys[key].append(owner);
    };
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!button->isVisible())
            continue;
        add(Mnemonic(button->text()), Describe(button));
        if (IsAltKey(button->shortcut()))
            add(button->shortcut().toString(), Describe(button));
    }
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->isVisible() && label->buddy())
            add(Mnemonic(label->text()), Describe(label));
    }
    for (QGroupBox *group : window->findChildren<QGroupBox *>()) {
        if (group->isVisible())
            add(Mnemonic(group->title()), Describe(group));
    }
    for (QTabBar *tabs : window->findChildren<QTabBar *>()) {
        if (!tabs->isVisible())
            continue;
        for (int i = 0; i < tabs->count(); ++i)
            add(Mnemonic(tabs->tabText(i)), Describe(tabs) + QLatin1Char(' ') + tabs->tabText(i));
    }
    for (QMenuBar *bar : window->findChildren<QMenuBar *>()) {
        for (QAction *action : bar->actions())
            add(Mnemonic(action->text()), QStringLiteral("menu ") + action->text());
    }
    for (QShortcut *shortcut : window->findChildren<QShortcut *>()) {
        if (shortcut->isEnabled() && IsAltKey(shortcut->key()))
            add(shortcut->key().toString(), QStringLiteral("shortcut ") + shortcut->objectName());
    }
    return keys;
}

// The names of the controls Tab reaches from the focus, presses times.
QStringList TabbedNames(int presses)
{
    QStringList reached;
    for (int i = 0; i < presses; ++i) {
        reached << AccessibleText(QApplication::focusWidget(), QAccessible::Name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return reached;
}

// A button or a box: what the keyboard must reach.
bool IsControl(const QWidget *widget)
{
    return qobject_cast<const QAbstractButton *>(widget) || qobject_cast<const QLineEdit *>(widget)
        || qobject_cast<const QComboBox *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget)
        || qobject_cast<const QPlainTextEdit *>(widget) || qobject_cast<const QTextEdit *>(widget);
}

// A part of a control the keyboard reaches as a whole (a box's clear
// button, a grid's corner, a tab strip's arrows).
bool IsPartOfAControl(const QWidget *widget)
{
    for (const QWidget *w = widget->parentWidget(); w && !w->isWindow(); w = w->parentWidget()) {
        if ((qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w)
             || qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QTabBar *>(w)
             || qobject_cast<const QAbstractItemView *>(w))
            && (w->focusPolicy() & Qt::TabFocus))
            return true;
    }
    return false;
}

// The control's own key: a marked letter, a shortcut, or a marked label
// that names it.
bool HasShortcut(const QWidget *widget, const QList<QLabel *> &labels)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        if (!Mnemonic(button->text()).isEmpty() || !button->shortcut().isEmpty())
            return true;
        const auto *tool = qobject_cast<const QToolButton *>(button);
        if (tool && tool->defaultAction() && !tool->defaultAction()->shortcut().isEmpty())
            return true;
    }
    // The arrows reach the other buttons of a group from the one Tab reaches.
    if (const auto *option = qobject_cast<const QRadioButton *>(widget); option && option->autoExclusive()) {
        for (const QRadioButton *other : option->parentWidget()->findChildren<QRadioButton *>(Qt::FindDirectChildrenOnly)) {
            if (other != option && other->isVisible() && (other->focusPolicy() & Qt::TabFocus))
                return true;
        }
    }
    return std::any_of(labels.begin(), labels.end(), [widget](const QLabel *label) {
        return label->buddy() && (label->buddy() == widget || label->buddy()->focusProxy() == widget)
            && !Mnemonic(label->text()).isEmpty();
    });
}

/// What a screen reader or keyboard user would miss in window as it is now
/// shown: a keyboard-reachable control without a name, a button or box the
/// keyboard cannot reach (no Tab, no key of its own), two buttons with one
/// name, a label that labels nothing and says nothing of itself, two
/// controls with one access key.
QStringList Problems(QWidget *window, const QString &where)
{
    QStringList problems;
    const auto report = [&problems, &where](const QString &text) { problems << where + QStringLiteral(": ") + text; };

    std::map<std::pair<const QWidget *, QString>, QStringList> buttonNames;
    const QList<QLabel *> allLabels = window->findChildren<QLabel *>();
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisible() || widget->isWindow())
            continue;
        const QString name = AccessibleText(widget, QAccessible::Name);
        if ((widget->focusPolicy() & Qt::TabFocus) && name.isEmpty())
            report(Describe(widget) + QStringLiteral(" has no name"));
        if (IsControl(widget) && !(widget->focusPolicy() & Qt::TabFocus) && !IsPartOfAControl(widget)
            && !HasShortcut(widget, allLabels))
            report(Describe(widget) + QStringLiteral(" \"") + name + QStringLiteral("\" cannot be reached by keyboard"));
        if (qobject_cast<QAbstractButton *>(widget))
            buttonNames[{WindowOf(widget), name}].append(Describe(widget));
    }
    for (const auto &[name, buttons] : buttonNames) {
        if (buttons.size() > 1)
            report(QStringLiteral("buttons share the name \"%1\": %2")
                       .arg(name.second, buttons.join(QStringLiteral(", "))));
    }

    // A label either labels a control, or is the text under a heading that
    // labels it, or says what it shows (a status text with its tip). A
    // message box's labels are what it says, which readers speak as it opens.
    const QList<QLabel *> labels
        = qobject_cast<QMessageBox *>(window) ? QList<QLabel *>() : window->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (!label->isVisible() || label->buddy())
            continue;
        const bool underHeading = std::any_of(labels.begin(), labels.end(),
                                              [label](const QLabel *other) { return other->buddy() == label; });
        const QString description = AccessibleText(label, QAccessible::Description);
        const bool saysWhat = !description.isEmpty() && description != label->text().trimmed();
        if (!underHeading && !saysWhat)
            report(Describe(label) + QStringLiteral(" \"") + label->text() + QStringLiteral("\" labels nothing"));
    }

    for (const auto &[key, owners] : AccessKeys(window)) {
        if (owners.size() > 1)
            report(key + QStringLiteral(" belongs to ") + owners.join(QStringLiteral(" and ")));
    }
    return problems;
}

// The grid row of the table's first data line.
int PersonalIncomeRow(const frmDisplay &display)
{
    const tarvel::Grid &grid = display.Data();
    for (int r = 1; r < grid.Rows(); ++r) {
        if (tarvel::Trim(grid.Cell(r, 0)) == "Personal income")
            return r;
    }
    return 0;
}

class AccessibilityTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid() && m_out.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    void Start()
    {
        window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(m_program.path().toStdString() + "/");
        window->SetDataFolderCandidates({TARVEL_SAMPLE_DATA "/"});
        window->Startup({});
        window->show();
        window->activateWindow();
        QCoreApplication::processEvents();
        prompts.records.clear();
    }

    /// Chooses areas (1..60) as the pick list's OK does.
    void ChooseAreas(const std::vector<int> &areas)
    {
        tarvel::test::ChooseAreasInPickList(*window, prompts, areas);
    }

    /// Runs command and checks the dialog it opens while it is shown.
    void CheckDialog(const QString &where, const std::function<void()> &command, QStringList &problems,
                     const std::function<void(QDialog &)> &more = {})
    {
        bool opened = false;
        prompts.dialogScript = [&](QDialog &dialog) {
            opened = true;
            problems << Problems(&dialog, where);
            if (more)
                more(dialog);
        };
        command();
        prompts.dialogScript = nullptr;
        EXPECT_TRUE(opened) << where.toStdString();
    }

    QString Out(const char *name) const { return m_out.path() + QLatin1Char('/') + QString::fromLatin1(name); }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    QTemporaryDir m_out;
    ScriptedPrompts prompts;
    std::unique_ptr<frmMain> window;
};

// Every window and dialog of the program, as a screen reader walks it.
TEST_F(AccessibilityTest, EveryControlOfEveryWindowHasItsOwnNameAndEveryLabelItsControl)
{
    Start();
    QStringList problems = Problems(window.get(), QStringLiteral("main window"));

    ChooseAreas({2, 3});
    window->RunDisplay();
    auto *table = qobject_cast<frmDisplay *>(window->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(table, nullptr);
    problems << Problems(window.get(), QStringLiteral("table window"));
    table->SetCurrentCell(PersonalIncomeRow(*table), 1);
    window->RunShowOneLine();
    ASSERT_EQ(window->MdiArea()->subWindowList().size(), 2);
    problems << Problems(window.get(), QStringLiteral("one-line window"));
    window->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(table->parentWidget()));
    window->RunChart();
    ASSERT_NE(qobject_cast<frmChart *>(window->MdiArea()->activeSubWindow()->widget()), nullptr)
        << (prompts.records.empty() ? std::string() : prompts.records.back().text.toStdString());
    problems << Problems(window.get(), QStringLiteral("chart window"));
    CheckDialog(QStringLiteral("image size dialog"), [this] {
        prompts.saveFileAnswers.push_back(Out("walk.png"));
        qobject_cast<frmChart *>(window->MdiArea()->activeSubWindow()->widget())->cmdSaveChart->trigger();
    }, problems);

    CheckDialog(QStringLiteral("print dialog"), [this] { window->RunPrintAll(); }, problems);
    CheckDialog(QStringLiteral("export wizard"), [this] { window->RunExport(); }, problems, [&problems](QDialog &dialog) {
        auto &wizard = static_cast<frmExport &>(dialog);
        for (int page = 2; page <= frmExport::PageCount; ++page) {
            wizard.GoToPage(page);
            problems << Problems(&wizard, QStringLiteral("export wizard page %1").arg(page));
        }
    });
    CheckDialog(QStringLiteral("Select years"), [this] {
        window->Controls().cboYears->setCurrentIndex(tarvel::SelectQuartersEntry);
        emit window->Controls().cboYears->activated(tarvel::SelectQuartersEntry);
    }, problems);
    CheckDialog(QStringLiteral("area pick list"), [this] { window->Controls().cmdStates->click(); }, problems);
    CheckDialog(QStringLiteral("height dialog"), [this] { window->Controls().mnuGrid[0]->trigger(); }, problems);

    // The progress dialog of a long print-all, as it shows.
    QtProgress progress(window.get(), QStringLiteral("Print all areas for table ZR4"), 60);
    progress.Dialog().show();
    progress.Step(0, QStringLiteral("Printing Alabama (1 of 60)"));
    problems << Problems(&progress.Dialog(), QStringLiteral("progress dialog"));
    progress.Dialog().hide();

    std::unique_ptr<HelpWindow> help(HelpWindow::OpenFile(TARVEL_SAMPLE_DATA "/tarvel.hlp", prompts));
    ASSERT_NE(help, nullptr);
    help->ShowContents();
    problems << Problems(help.get(), QStringLiteral("help window"));

    // A document window, and the print dialog and print preview of it.
    window->Controls().mnuFoot[0]->trigger();
    problems << Problems(window.get(), QStringLiteral("document window"));
    window->Printer().setOutputFormat(QPrinter::PdfFormat);
    window->Printer().setOutputFileName(QString());
    CheckDialog(QStringLiteral("print dialog of the active window"), [this] { window->RunPrint(); }, problems);
    CheckDialog(QStringLiteral("print preview"), [this] { window->RunPrintPreview(); }, problems);

    // The boxes of the real prompts, as they show them.
    window->Controls().mnuHelpAbout->trigger();
    const ScriptedPrompts::Record about = prompts.Of(Kind::Message).back();
    const auto aboutBox = MakeMessageBox(window.get(), about.title, about.text, about.icon, QMessageBox::Ok);
    aboutBox->show();
    problems << Problems(aboutBox.get(), QStringLiteral("About box"));
    window->Controls().mnuZRChange->trigger();
    const ScriptedPrompts::Record change = prompts.Of(Kind::InputBox).back();
    const auto changePath = MakeInputBox(window.get(), change.title, change.text, change.initial);
    changePath->show();
    problems << Problems(changePath.get(), QStringLiteral("Change path"));
    for (const bool printerFont : {false, true}) {
        const auto fonts = MakeFontDialog(QFont(QStringLiteral("Courier New"), 8), printerFont, window.get());
        fonts->show();
        problems << Problems(fonts.get(), printerFont ? QStringLiteral("printer font dialog") : QStringLiteral("font dialog"));
    }

    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

// Print preview: Tab goes through every button of its bar (the walk above
// checks their names).
TEST_F(AccessibilityTest, TabReachesEveryButtonOfThePrintPreview)
{
    Start();
    ChooseAreas({2});
    window->RunDisplay();
    window->Printer().setOutputFormat(QPrinter::PdfFormat);
    window->Printer().setOutputFileName(QString());
    bool opened = false;
    prompts.dialogScript = [&opened](QDialog &dialog) {
        opened = true;
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QStringList buttons;
        for (QToolButton *button : dialog.findChildren<QToolButton *>()) {
            if (button->isVisible() && button->isEnabled())
                buttons << AccessibleText(button, QAccessible::Name);
        }
        EXPECT_GE(buttons.size(), 12) << buttons.join(QStringLiteral(", ")).toStdString();
        const QStringList reached = TabbedNames(3 * static_cast<int>(buttons.size()));
        for (const QString &button : std::as_const(buttons))
            EXPECT_TRUE(reached.contains(button)) << button.toStdString();
    };
    window->RunPrintPreview();
    prompts.dialogScript = nullptr;
    EXPECT_TRUE(opened);
}

// ---- the keyboard alone ------------------------------------------------------------

void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
    // A button's access key clicks it after a short flash.
    QTest::qWait(modifiers == Qt::AltModifier ? 150 : 0);
}

/// Presses Tab until widget has the focus; false when it never gets it.
bool TabTo(const QWidget *widget, int most = 30)
{
    for (int i = 0; i < most && QApplication::focusWidget() != widget; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return QApplication::focusWidget() == widget;
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The whole workflow without a mouse: table, quarters, areas, display,
// out of the grid and back, print to a file, export chosen lines.
TEST_F(AccessibilityTest, WholeWorkflowByKeyboardWritesExactlyWhatWasChosen)
{
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // 1. and 2.: the series and the table.
    window->Controls().cboYears->setFocus();
    Press(Qt::Key_1, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), window->Controls().optSeries[0]);
    Press(Qt::Key_2, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), window->Controls().optTable[0]);
    Press(Qt::Key_Down);
    EXPECT_EQ(window->State().TableCode, "ZR1");
    Press(Qt::Key_Up);
    ASSERT_EQ(window->State().TableCode, "ZR4");

    // 3.: the last five quarters.
    Press(Qt::Key_3, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), window->Controls().cboYears);
    Press(Qt::Key_Down);
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 5"));

    // 4.: Alabama and Alaska, by typing and Space.
    prompts.dialogScript = [](QDialog &dialog) {
        auto &pick = static_cast<frmPickList &>(dialog);
        QTest::keyClicks(pick.lstPick, QStringLiteral("Ala"));
        QTest::keyClick(pick.lstPick, Qt::Key_Space);
        QTest::keyClick(pick.lstPick, Qt::Key_Down);
        QTest::keyClick(pick.lstPick, Qt::Key_Space);
        QTest::keyClick(pick.lstPick, Qt::Key_Return);
    };
    Press(Qt::Key_4, Qt::AltModifier);
    prompts.dialogScript = nullptr;
    ASSERT_EQ(window->PanelText(3), QStringLiteral("Areas selected - 2"));
    EXPECT_EQ(window->State().AreaSelected[2], tarvel::Chosen);
    EXPECT_EQ(window->State().AreaSelected[3], tarvel::Chosen);

    // 5.: the next area twice; the grid of the newest window has the focus.
    Press(Qt::Key_5, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), window->Controls().cmdPrev);
    Press(Qt::Key_N, Qt::AltModifier);
    Press(Qt::Key_N, Qt::AltModifier);
    ASSERT_EQ(window->MdiArea()->subWindowList().size(), 2);
    auto *alaska = qobject_cast<frmDisplay *>(window->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(alaska, nullptr);
    EXPECT_TRUE(alaska->windowTitle().contains(QStringLiteral("Alaska")));
    EXPECT_EQ(QApplication::focusWidget(), alaska->grdData);

    // Tab and Shift+Tab leave the grid; F6 comes back to it and goes again.
    Press(Qt::Key_Tab);
    EXPECT_FALSE(alaska->isAncestorOf(QApplication::focusWidget())) << Describe(QApplication::focusWidget()).toStdString();
    Press(Qt::Key_F6);
    EXPECT_EQ(QApplication::focusWidget(), alaska->grdData);
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_FALSE(alaska->isAncestorOf(QApplication::focusWidget()));
    Press(Qt::Key_F6);
    ASSERT_EQ(QApplication::focusWidget(), alaska->grdData);
    Press(Qt::Key_F6);
    EXPECT_TRUE(window->Controls().picMain->isAncestorOf(QApplication::focusWidget()));
    Press(Qt::Key_F6);
    ASSERT_EQ(QApplication::focusWidget(), alaska->grdData);

    // Print the active window to a text file: Ctrl+P, Change Printer, Print.
    window->Printer().setOutputFormat(QPrinter::PdfFormat);
    window->Printer().setOutputFileName(Out("unused.pdf"));
    prompts.printerAnswers = {true};
    prompts.saveFileAnswers = {Out("alaska.txt")};
    prompts.dialogScript = [](QDialog &dialog) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        Press(Qt::Key_R, Qt::AltModifier);
        Press(Qt::Key_Return);
    };
    Press(Qt::Key_P, Qt::ControlModifier);
    prompts.dialogScript = nullptr;
    const QByteArray printed = FileBytes(Out("alaska.txt"));
    EXPECT_TRUE(printed.contains("Alaska")) << printed.left(200).toStdString();
    EXPECT_FALSE(printed.contains("Alabama"));

    // Export two lines chosen by Space: the second is indented below a
    // line that is not chosen.
    prompts.messageAnswers = {QMessageBox::No};
    const QString exported = Out("two lines.csv");
    prompts.dialogScript = [&exported](QDialog &dialog) {
        auto &wizard = static_cast<frmExport &>(dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&wizard));
        Press(Qt::Key_N, Qt::AltModifier);
        Press(Qt::Key_N, Qt::AltModifier);
        ASSERT_EQ(wizard.CurrentPage(), 3);
        ASSERT_TRUE(TabTo(wizard.lstExport));
        for (int i = 0; i < 4; ++i)
            Press(Qt::Key_Down);
        Press(Qt::Key_Space);
        Press(Qt::Key_Down);
        Press(Qt::Key_Down);
        Press(Qt::Key_Space);
        Press(Qt::Key_N, Qt::AltModifier);
        ASSERT_EQ(wizard.CurrentPage(), 4);
        ASSERT_TRUE(TabTo(wizard.txtFileName));
        Press(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(wizard.txtFileName, exported);
        Press(Qt::Key_E, Qt::AltModifier);
        EXPECT_TRUE(wizard.Completed());
    };
    Press(Qt::Key_E, Qt::ControlModifier);
    prompts.dialogScript = nullptr;
    const QList<QByteArray> lines = FileBytes(exported).split('\n');
    ASSERT_EQ(lines.size(), 6) << FileBytes(exported).toStdString();
    for (int i = 1; i <= 4; ++i) {
        EXPECT_TRUE(lines[i].contains(i % 2 ? "\"0050\"" : "\"0070\"")) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].contains(i <= 2 ? "\"01\"" : "\"02\"")) << lines[i].toStdString();
    }
}

// The desktop may leave no window active after the export's last question
// (the wizard has closed behind it): the main window and the grid the user
// worked in are active again, so the keyboard goes on where it was.
TEST_F(AccessibilityTest, AfterAnExportTheMainWindowAndItsGridAreActiveAgain)
{
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ChooseAreas({2});
    window->RunDisplay();
    auto *table = qobject_cast<frmDisplay *>(window->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(QApplication::focusWidget(), table->grdData);
    const QString exported = Out("after.csv");
    prompts.messageAnswers = {QMessageBox::No};
    prompts.dialogScript = [&exported](QDialog &dialog) {
        auto &wizard = static_cast<frmExport &>(dialog);
        wizard.lstExport->item(0)->setSelected(true);
        wizard.txtFileName->setText(exported);
        wizard.cmdOK->click();
        EXPECT_TRUE(wizard.Completed());
    };
    QWidget elsewhere;
    prompts.dialogClosed = [&elsewhere] {
        elsewhere.show();
        elsewhere.activateWindow();
        QCoreApplication::processEvents();
        elsewhere.hide();
        QCoreApplication::processEvents();
    };
    Press(Qt::Key_E, Qt::ControlModifier);
    prompts.dialogScript = nullptr;
    prompts.dialogClosed = nullptr;
    QCoreApplication::processEvents();
    EXPECT_TRUE(QFile::exists(exported));
    EXPECT_EQ(QApplication::activeWindow(), window.get());
    EXPECT_EQ(QApplication::focusWidget(), table->grdData);
}

// ---- what a screen reader hears without a focus move -----------------------------

// Counts the times a widget is shown: a note shown anew is a notification
// a screen reader speaks.
class ShowCount final : public QObject {
public:
    explicit ShowCount(QWidget *widget) { widget->installEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        shown += event->type() == QEvent::Show ? 1 : 0;
        return false;
    }
};

struct NoteCase {
    const char *name;
    /// Does what should be said.
    std::function<void(frmMain &, ScriptedPrompts &)> act;
    /// The beginning of what it says.
    QString said;
    bool inHelp = false; ///< said in the help window, else in the main window
};

// A change the focus does not move to is said as a notification: in the
// status note of the window it happens in, named by the note's text, and
// shown anew each time (as a screen reader hears it), also when the same
// change comes again.
TEST_F(AccessibilityTest, ChangesWithoutAFocusMoveAreSaidAsNotifications)
{
    Start();
    const std::unique_ptr<HelpWindow> help(HelpWindow::OpenFile(TARVEL_SAMPLE_DATA "/tarvel.hlp", prompts));
    ASSERT_NE(help, nullptr);
    HelpWindow *helpWindow = help.get();
    const QString exported = Out("command.csv");
    const std::vector<NoteCase> cases{
        {"area count",
         [](frmMain &main, ScriptedPrompts &scripted) { tarvel::test::ChooseAreasInPickList(main, scripted, {2, 3}); },
         QStringLiteral("Areas selected - 2")},
        {"quarter count",
         [](frmMain &main, ScriptedPrompts &scripted) {
             scripted.dialogScript = [](QDialog &dialog) {
                 auto &pick = static_cast<frmPickList &>(dialog);
                 pick.lstPick->item(0)->setSelected(true);
                 pick.cmdOK->click();
             };
             main.Controls().cboYears->setCurrentIndex(tarvel::SelectQuartersEntry);
             emit main.Controls().cboYears->activated(tarvel::SelectQuartersEntry);
             scripted.dialogScript = nullptr;
         },
         QStringLiteral("Quarters selected - 5")},
        {"ranking",
         [](frmMain &main, ScriptedPrompts &) {
             main.RunDisplay();
             auto *table = qobject_cast<frmDisplay *>(main.MdiArea()->activeSubWindow()->widget());
             table->SetCurrentCell(PersonalIncomeRow(*table), 1);
             main.RunShowOneLine();
             auto *view = qobject_cast<frmDisplay *>(main.MdiArea()->activeSubWindow()->widget());
             view->grdData->setFocus();
             view->SetCurrentCell(2, view->Data().Columns() - 1);
             QTest::keySequence(view->grdData, frmDisplay::SortKey());
         },
         QStringLiteral("Sorted by 2008 quarter 1, ")},
        {"copy as command",
         [&exported](frmMain &main, ScriptedPrompts &scripted) {
             scripted.dialogScript = [&exported](QDialog &dialog) {
                 auto &wizard = static_cast<frmExport &>(dialog);
                 wizard.lstExport->item(0)->setSelected(true);
                 wizard.txtFileName->setText(exported);
                 wizard.cmdCommand->click();
             };
             main.RunExport();
             scripted.dialogScript = nullptr;
         },
         QStringLiteral("Command copied to the clipboard")},
        {"help topic",
         [helpWindow](frmMain &, ScriptedPrompts &) {
             helpWindow->ShowTopic(22);
             auto *topics = helpWindow->findChild<QListWidget *>(QStringLiteral("lstTopics"));
             topics->setFocus();
             topics->setCurrentRow(0);
             QTest::keyClick(topics, Qt::Key_Return);
         },
         QStringLiteral("Topic shown: ") + help->findChild<QListWidget *>(QStringLiteral("lstTopics"))->item(0)->text(),
         true},
    };
    for (const NoteCase &c : cases) {
        StatusNote *note = c.inHelp ? help->findChild<StatusNote *>() : window->Controls().lblNote;
        ASSERT_NE(note, nullptr) << c.name;
        const ShowCount shows(note);
        for (int time = 1; time <= 2; ++time) {
            c.act(*window, prompts);
            EXPECT_TRUE(note->isVisible()) << c.name;
            EXPECT_TRUE(note->text().startsWith(c.said)) << c.name << ": " << note->text().toStdString();
            QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(note);
            ASSERT_NE(heard, nullptr);
            EXPECT_EQ(heard->role(), QAccessible::Notification) << c.name;
            EXPECT_EQ(heard->text(QAccessible::Name), note->text()) << c.name;
        }
        EXPECT_GE(shows.shown, 2) << c.name;
    }
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(QStringLiteral("tarvel-batch")));
}

// Coming back to a grid (F6) names its current cell, not the grid alone;
// the quarter is said "2008 quarter 1" by its header and the cell.
TEST_F(AccessibilityTest, BackToAGridTheCurrentCellIsNamedWithItsQuarter)
{
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ChooseAreas({2});
    window->RunDisplay();
    auto *table = qobject_cast<frmDisplay *>(window->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(table, nullptr);
    const int lastColumn = table->Data().Columns() - 1;
    table->SetCurrentCell(PersonalIncomeRow(*table), lastColumn);
    std::vector<int> focusedCells;
    ObserveScreenReaderNews([&focusedCells, table](const QAccessibleEvent &event) {
        if (event.type() == QAccessible::Focus && event.object() == table->grdData)
            focusedCells.push_back(event.child());
    });
    Press(Qt::Key_F6);
    EXPECT_TRUE(window->Controls().picMain->isAncestorOf(QApplication::focusWidget()));
    Press(Qt::Key_F6);
    ASSERT_EQ(QApplication::focusWidget(), table->grdData);
    QCoreApplication::processEvents();
    ObserveScreenReaderNews(nullptr);

    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(table->grdData);
    ASSERT_NE(grid, nullptr);
    QAccessibleInterface *cell = grid->tableInterface()->cellAt(PersonalIncomeRow(*table) - 1, lastColumn - 1);
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(focusedCells.size(), 1u);
    EXPECT_EQ(focusedCells[0], grid->indexOfChild(cell));
    EXPECT_EQ(cell->text(QAccessible::Description), QStringLiteral("2008 quarter 1"));
    const QList<QAccessibleInterface *> headers = cell->tableCellInterface()->columnHeaderCells();
    // Qt hands the header cells over new and unowned: its cache takes them.
    for (QAccessibleInterface *header : headers)
        QAccessible::registerAccessibleInterface(header);
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(headers[0]->text(QAccessible::Name), QStringLiteral("2008 quarter 1"));
}

// What the walk above cannot tell: each name says what its control does.
TEST_F(AccessibilityTest, NamesSayWhatEachControlDoesAndNotesCanBeRead)
{
    Start();
    const frmMainControls &controls = window->Controls();
    for (QPushButton *button : {controls.cmdPrev, controls.cmdNext, controls.cmdShowOneLine, controls.cmdChart})
        EXPECT_EQ(AccessibleText(button, QAccessible::Name), button->toolTip()) << Describe(button).toStdString();

    ChooseAreas({2});
    window->RunDisplay();
    auto *table = qobject_cast<frmDisplay *>(window->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(AccessibleText(table->grdData, QAccessible::Name), table->windowTitle());
    EXPECT_TRUE(table->windowTitle().contains(QStringLiteral("Alabama")));
    QAbstractItemModel *model = table->grdData->model();
    const int last = model->columnCount() - 1;
    EXPECT_EQ(model->headerData(last, Qt::Horizontal).toString(), QStringLiteral("2008.1"));
    EXPECT_EQ(model->headerData(last, Qt::Horizontal, Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("2008 quarter 1"));

    // A wizard page carries its note as its description (the walk above
    // checks the note itself, which the Tab key reaches).
    tarvel::ExportSelection selection;
    selection.Paths = window->State().Paths();
    frmExport wizard(prompts, window->Settings(), selection, "ZR4");
    EXPECT_EQ(wizard.fraExport[3]->accessibleDescription(), wizard.txtOP->toPlainText());
    wizard.optCopy[4]->click(); // the workbook's note replaces the first page's
    EXPECT_EQ(wizard.fraExport[0]->accessibleDescription(), wizard.txtRecordFormat->toPlainText());
    EXPECT_TRUE(wizard.txtRecordFormat->toPlainText().startsWith(QStringLiteral("An Excel workbook")));

    // The size dialog's slider takes the focus and, like its box, says its unit.
    frmScroll size;
    size.Load(tarvel::SizeKind::Width, 8000, QFont());
    EXPECT_TRUE(size.hsbScroll->focusPolicy() & Qt::TabFocus);
    for (QWidget *control : std::initializer_list<QWidget *>{size.txtScroll, size.hsbScroll})
        EXPECT_TRUE(AccessibleText(control, QAccessible::Name).endsWith(QStringLiteral("width in twips")));
}

// Keys on the windows that the workflow does not press.
TEST_F(AccessibilityTest, ShortcutsSelectionKeysAndTheHelpWindowsKeys)
{
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->Controls().optSeries[0]->setFocus();
    Press(Qt::Key_F1);
    ASSERT_EQ(prompts.Of(Kind::Help).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::Help)[0].topic, 0);

    // Ctrl+Shift+End and Ctrl+Shift+Home extend the selection from the cursor.
    ChooseAreas({2, 3});
    window->RunDisplay();
    auto *table = qobject_cast<frmDisplay *>(window->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(QApplication::focusWidget(), table->grdData);
    table->SetCurrentCell(2, 2);
    table->grdData->selectionModel()->select(table->grdData->currentIndex(), QItemSelectionModel::ClearAndSelect);
    Press(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    const int rows = table->Data().Rows() - 1;
    const int columns = table->Data().Columns() - 1;
    EXPECT_EQ(SelectedBlock(*table), QRect(QPoint(2, 2), QPoint(columns, rows)));
    Press(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(SelectedBlock(*table), QRect(QPoint(1, 1), QPoint(2, 2)));

    // Ctrl+C copies the selected cells as the menu command does; in the
    // quarter list it is still discarded.
    Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(table->windowTitle()));
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    window->Controls().cboYears->setFocus();
    Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    table->grdData->setFocus();

    // Ctrl+W closes the active child window, from the controls too.
    window->RunDisplay();
    ASSERT_EQ(window->MdiArea()->subWindowList().size(), 2);
    Press(Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->MdiArea()->subWindowList().size(), 1);
    window->Controls().cboYears->setFocus();
    Press(Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window->MdiArea()->subWindowList().isEmpty());

    // The help window: a keyword opens nothing until Enter; Escape closes it.
    const QPointer<HelpWindow> help = HelpWindow::OpenFile(TARVEL_SAMPLE_DATA "/tarvel.hlp", prompts);
    ASSERT_NE(help, nullptr);
    help->ShowTopic(8);
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    auto *keywords = help->findChild<QListWidget *>(QStringLiteral("lstKeywords"));
    ASSERT_NE(keywords, nullptr);
    keywords->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    EXPECT_EQ(help->CurrentTopic(), 8);
    Press(Qt::Key_Return);
    EXPECT_NE(help->CurrentTopic(), 8);
    EXPECT_EQ(AccessibleText(help->findChild<QWidget *>(QStringLiteral("txtHelp")), QAccessible::Name).isEmpty(), false);
    Press(Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(help.isNull()); // closing deletes it
}

// The chart's buttons are in the Tab order, and Tab goes on from the chart
// to the main window's controls.
TEST_F(AccessibilityTest, TabWalksTheChartWindowAndLeavesIt)
{
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ChooseAreas({2});
    window->RunDisplay();
    auto *table = qobject_cast<frmDisplay *>(window->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(table, nullptr);
    table->SetCurrentCell(PersonalIncomeRow(*table), 1);
    window->RunChart();
    auto *chart = qobject_cast<frmChart *>(window->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(chart, nullptr);
    QStringList reached;
    for (int i = 0; i < 16 && chart->isAncestorOf(QApplication::focusWidget()); ++i) {
        reached << AccessibleText(QApplication::focusWidget(), QAccessible::Name);
        Press(Qt::Key_Tab);
    }
    for (QAction *command : {chart->cmdSaveChart, chart->cmdCopyChart, chart->cmdPrintChart, chart->cmdExportData,
                             chart->cmdZoomIn, chart->cmdZoomOut, chart->cmdResetZoom, chart->cmdLogScale})
        EXPECT_TRUE(reached.contains(command->iconText())) << reached.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(window->Controls().picMain->isAncestorOf(QApplication::focusWidget()));
}

// The current item of a list or grid with the focus is framed in a colour
// that stands out (3:1) from the item's background and from what is around it.
TEST_F(AccessibilityTest, FocusIsFramedClearlyInListsAndGrids)
{
    frmPickList pick;
    for (const char *name : {"Alabama (AL)", "Alaska (AK)", "Arizona (AZ)"})
        pick.AddItem(QString::fromLatin1(name));
    pick.SetItemSelected(2, true);
    pick.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&pick));
    for (int row : {0, 1}) {
        pick.lstPick->setCurrentRow(row, QItemSelectionModel::NoUpdate);
        pick.lstPick->setFocus();
        QCoreApplication::processEvents();
        const QImage shot = pick.lstPick->viewport()->grab().toImage();
        const QRect item = pick.lstPick->visualItemRect(pick.lstPick->item(row));
        const QPalette colours = pick.lstPick->palette();
        const QColor inside = colours.color(row == 1 ? QPalette::Highlight : QPalette::Base);
        const QColor frame = shot.pixelColor(item.center().x(), item.top());
        EXPECT_GE(ContrastRatio(frame, inside), 3.0) << row << " " << frame.name().toStdString();
        EXPECT_GE(ContrastRatio(frame, colours.color(QPalette::Base)), 3.0) << row;
        EXPECT_GE(ContrastRatio(frame, colours.color(QPalette::Highlight)), 3.0) << row;
    }
}

// A chart made of n lines of three quarters each.
tarvel::ChartData ChartOfLines(int lines)
{
    tarvel::ChartData data;
    data.Code = "ZR4";
    data.Title = "ZR4 test";
    data.Caption = "ZR4 test - chart";
    data.Labels = {"2007.3", "2007.4", "2008.1"};
    for (int i = 0; i < lines; ++i) {
        tarvel::ChartSeries series;
        series.Area = 2;
        series.Line = i + 1;
        series.Name = "Line " + std::to_string(i + 1);
        for (int k = 0; k < 3; ++k)
            series.Points.push_back({k + 1, data.Labels[static_cast<std::size_t>(k)], 100.0 * (i + k + 1), "100", false});
        data.Series.push_back(series);
    }
    return data;
}

// In a narrow chart window (a default one at twice the normal size) the
// bar's buttons wrap onto more rows: every one is shown whole, above the
// picture, and Tab reaches each.
TEST(ChartCommands, WrapInANarrowWindowAndStayInTheTabOrder)
{
    frmChart chart(ChartOfLines(2));
    chart.resize(300, 400);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    const QList<QToolButton *> buttons = chart.tbrChart->findChildren<QToolButton *>();
    ASSERT_EQ(buttons.size(), 9); // eight commands and Lines

    int rows = 0;
    int lastTop = -1;
    for (QToolButton *button : buttons) {
        EXPECT_TRUE(button->isVisible()) << button->text().toStdString();
        EXPECT_TRUE(chart.rect().contains(QRect(button->mapTo(&chart, QPoint(0, 0)), button->size())))
            << button->text().toStdString();
        EXPECT_LE(button->mapTo(&chart, QPoint(0, button->height())).y(), chart.chtView->y());
        if (button->y() != lastTop) {
            ++rows;
            lastTop = button->y();
        }
    }
    EXPECT_GE(rows, 2);
    chart.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&chart));
    buttons.front()->setFocus(Qt::TabFocusReason);
    const QStringList reached = TabbedNames(2 * static_cast<int>(buttons.size()));
    for (QToolButton *button : buttons)
        EXPECT_TRUE(reached.contains(button->accessibleName())) << button->accessibleName().toStdString();
}

// The chart takes the palette's colours, a dark one as well as a light one,
// and tells its lines apart without colour: neighbouring lines differ in
// dash pattern and point mark, which the legend shows too.
TEST(ChartColours, FollowThePaletteAndNeverRestOnColourAlone)
{
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(20, 20, 24));
    dark.setColor(QPalette::Window, QColor(30, 30, 34));
    dark.setColor(QPalette::Text, QColor(235, 235, 235));
    dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
    for (const QPalette &palette : {QApplication::palette(), dark}) {
        frmChart chart(ChartOfLines(tarvel::MaxChartSeries));
        chart.setPalette(palette);
        const QColor paper = palette.color(QPalette::Base);
        EXPECT_EQ(chart.Chart()->backgroundBrush().color(), paper);
        EXPECT_EQ(chart.Chart()->legend()->labelColor(), palette.color(QPalette::Text));
        EXPECT_EQ(chart.Chart()->legend()->markerShape(), QLegend::MarkerShapeFromSeries);
        for (int i = 0; i < tarvel::MaxChartSeries; ++i) {
            EXPECT_GE(ContrastRatio(chart.LineColour(i), paper), 3.0) << i << " on " << paper.name().toStdString();
            EXPECT_FALSE(chart.LineMark(i).isNull()) << i;
            if (i > 0) {
                EXPECT_NE(chart.LineStyle(i), chart.LineStyle(i - 1)) << i;
                EXPECT_NE(chart.LineMark(i), chart.LineMark(i - 1)) << i;
            }
        }
    }
}

// "Select years" starts the keyboard on a chosen quarter in view, and opened
// from the quarter list's popup it opens once, also when a screen reader
// hands the Enter that chose it on again after the dialog has closed.
TEST_F(AccessibilityTest, SelectYearsOpensOnceOnAChosenQuarterInView)
{
    Start();
    int opened = 0;
    prompts.dialogScript = [&opened](QDialog &dialog) {
        ++opened;
        auto &pick = static_cast<frmPickList &>(dialog);
        QListWidgetItem *current = pick.lstPick->currentItem();
        ASSERT_NE(current, nullptr);
        EXPECT_TRUE(current->isSelected()) << current->text().toStdString();
        EXPECT_EQ(current->text(), QStringLiteral("2008.1"));
        EXPECT_TRUE(pick.lstPick->viewport()->rect().contains(pick.lstPick->visualItemRect(current)));
        EXPECT_EQ(QApplication::focusWidget(), pick.lstPick);
        QTest::keyClick(pick.lstPick, Qt::Key_Return);
    };
    QAbstractItemView *popup = window->Controls().cboYears->view();
    window->Controls().cboYears->setFocus();
    window->Controls().cboYears->showPopup();
    popup->setCurrentIndex(popup->model()->index(tarvel::SelectQuartersEntry, 0));
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_EQ(opened, 1);
    // The same key once more, as a screen reader passes it on late: the
    // press alone, to the popup's list that has closed since.
    QKeyEvent late(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(popup, &late);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 4"));
}

// ---- large text ---------------------------------------------------------------------

/// The desktop's text size for the life of the object, as a desktop set to
/// 16-point text gives it to a program.
class DesktopTextSize {
public:
    explicit DesktopTextSize(double points) : m_before(QApplication::font())
    {
        QFont font = m_before;
        font.setPointSizeF(points);
        QApplication::setFont(font);
    }
    ~DesktopTextSize() { QApplication::setFont(m_before); }
    DesktopTextSize(const DesktopTextSize &) = delete;
    DesktopTextSize &operator=(const DesktopTextSize &) = delete;

private:
    QFont m_before;
};

QRect PlaceIn(const QWidget *widget, const QWidget *window)
{
    return {widget->mapTo(window, QPoint(0, 0)), widget->size()};
}

// Twice the normal size on a 1280 x 1024 screen leaves 640 x 512 pixels at
// the normal size, here with 16-point text: every control of the main
// window is inside it, each control of the numbered row comes into view
// when it takes the focus, and every status text shows some of itself and
// all of itself as its tooltip.
TEST_F(AccessibilityTest, LargeTextKeepsEveryControlOfTheMainWindowOnItAndReachable)
{
    const DesktopTextSize large(16);
    Start();
    const QRect room = frmMain::NormalGeometryOn(QRect(0, 0, 640, 512));
    EXPECT_LE(window->minimumSizeHint().width(), room.width());
    EXPECT_LE(window->minimumSizeHint().height(), room.height());
    window->setGeometry(room);
    QCoreApplication::processEvents();
    ASSERT_EQ(window->size(), room.size());

    const QRect inside = window->rect();
    auto *strip = qobject_cast<QScrollArea *>(window->Controls().picMain->parentWidget()->parentWidget());
    ASSERT_NE(strip, nullptr);
    EXPECT_TRUE(inside.contains(PlaceIn(strip, window.get()))) << strip->geometry().width();
    EXPECT_TRUE(inside.contains(PlaceIn(window->MdiArea(), window.get())));
    EXPECT_GE(window->MdiArea()->height(), room.height() / 3);
    for (QWidget *control : ChildFrame::TabStops(window->Controls().picMain, false)) {
        control->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        const QRect shown(control->mapTo(strip->viewport(), QPoint(0, 0)), control->size());
        EXPECT_TRUE(strip->viewport()->rect().contains(shown)) << Describe(control).toStdString();
    }
    for (int panel = 1; panel <= 4; ++panel) {
        auto *text = window->findChild<StatusPanel *>(QStringLiteral("Panel%1").arg(panel));
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(inside.contains(PlaceIn(text, window.get()))) << panel;
        EXPECT_GE(text->Shown().size(), std::min<qsizetype>(text->text().size(), 6)) << text->Shown().toStdString();
        EXPECT_EQ(text->text(), window->PanelText(panel));
    }
}

// Until the user chooses a display font the grids and documents take the
// desktop's text size (never less than their own); a chosen font stays as
// chosen.
TEST_F(AccessibilityTest, GridAndDocumentFontsFollowTheDesktopUntilTheUserChoosesOne)
{
    const DesktopTextSize large(16);
    Start();
    EXPECT_FALSE(window->DisplayFontChosen());
    EXPECT_EQ(window->DisplayFont().pointSizeF(), 16.0);
    EXPECT_EQ(window->State().Display.FontSize, tarvel::DisplaySettings{}.FontSize);
    ChooseAreas({2});
    window->RunDisplay();
    auto *table = qobject_cast<frmDisplay *>(window->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->grdData->font().pointSizeF(), 16.0);
    // The footnotes in the display font, the regions in the documents' own.
    for (QAction *document : {window->Controls().mnuFoot[0], window->Controls().mnuDoc[1]}) {
        document->trigger();
        const auto *text = window->MdiArea()->activeSubWindow()->findChild<QPlainTextEdit *>(QStringLiteral("txtDoc"));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->font().pointSizeF(), 16.0) << document->text().toStdString();
    }

    QFont chosen(QStringLiteral("Liberation Sans"));
    chosen.setPointSize(10);
    prompts.fontAnswers = {chosen};
    window->Controls().mnuFont->trigger();
    EXPECT_TRUE(window->DisplayFontChosen());
    EXPECT_EQ(window->DisplayFont().pointSizeF(), 10.0);
    window->Controls().mnuReset->trigger();
    EXPECT_FALSE(window->DisplayFontChosen());
    EXPECT_EQ(window->DisplayFont().pointSizeF(), 16.0);
}

} // namespace
