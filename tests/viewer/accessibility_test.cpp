// What a screen reader and a keyboard user get from the program's windows:
// the accessible names, relations and access keys of every window and
// dialog, read in-process through QAccessible, and the whole workflow
// driven by keys alone.
#include "viewer/chart/frmChart.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/display/frmScroll.h"
#include "viewer/export/frmExport.h"
#include "viewer/help/qt_help.h"
#include "viewer/main/frmMain.h"
#include "viewer/print/frmPrint.h"
#include "viewer/selection/frmPickList.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/selection/selection.h"
#include "core/settings/settings_store.h"
#include "scripted_prompts.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>
#include <memory>
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

/// What a screen reader or keyboard user would miss in window as it is now
/// shown: a keyboard-reachable control without a name, two buttons with one
/// name, a label that labels nothing and says nothing of itself, two
/// controls with one access key.
QStringList Problems(QWidget *window, const QString &where)
{
    QStringList problems;
    const auto report = [&problems, &where](const QString &text) { problems << where + QStringLiteral(": ") + text; };

    std::map<std::pair<const QWidget *, QString>, QStringList> buttonNames;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisible() || widget->isWindow())
            continue;
        const QString name = AccessibleText(widget, QAccessible::Name);
        if ((widget->focusPolicy() & Qt::TabFocus) && name.isEmpty())
            report(Describe(widget) + QStringLiteral(" has no name"));
        if (qobject_cast<QAbstractButton *>(widget))
            buttonNames[{WindowOf(widget), name}].append(Describe(widget));
    }
    for (const auto &[name, buttons] : buttonNames) {
        if (buttons.size() > 1)
            report(QStringLiteral("buttons share the name \"%1\": %2")
                       .arg(name.second, buttons.join(QStringLiteral(", "))));
    }

    // A label either labels a control, or is the text under a heading that
    // labels it, or says what it shows (a status text with its tip).
    const QList<QLabel *> labels = window->findChildren<QLabel *>();
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
        prompts.dialogScript = [&areas](QDialog &dialog) {
            auto &pick = static_cast<frmPickList &>(dialog);
            for (int area : areas)
                pick.lstPick->item(area - 1)->setSelected(true);
            pick.cmdOK->click();
        };
        window->cmdStates->click();
        prompts.dialogScript = nullptr;
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

    CheckDialog(QStringLiteral("print dialog"), [this] { window->RunPrintAll(); }, problems);
    CheckDialog(QStringLiteral("export wizard"), [this] { window->RunExport(); }, problems, [&problems](QDialog &dialog) {
        auto &wizard = static_cast<frmExport &>(dialog);
        for (int page = 2; page <= frmExport::PageCount; ++page) {
            wizard.GoToPage(page);
            problems << Problems(&wizard, QStringLiteral("export wizard page %1").arg(page));
        }
    });
    CheckDialog(QStringLiteral("Select years"), [this] {
        window->cboYears->setCurrentIndex(tarvel::SelectQuartersEntry);
        emit window->cboYears->activated(tarvel::SelectQuartersEntry);
    }, problems);
    CheckDialog(QStringLiteral("area pick list"), [this] { window->cmdStates->click(); }, problems);
    CheckDialog(QStringLiteral("height dialog"), [this] { window->mnuGrid[0]->trigger(); }, problems);

    std::unique_ptr<HelpWindow> help(HelpWindow::OpenFile(TARVEL_SAMPLE_DATA "/tarvel.hlp", prompts));
    ASSERT_NE(help, nullptr);
    help->ShowContents();
    problems << Problems(help.get(), QStringLiteral("help window"));

    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

} // namespace
