// Every dialog of the viewer at a 16-point desktop font, as a desktop's
// large text setting gives it: no title, label or button is cut.
#include "viewer/chart/frmChartImage.h"
#include "viewer/display/frmScroll.h"
#include "viewer/export/frmExport.h"
#include "viewer/main/frmMain.h"
#include "viewer/print/frmPrint.h"
#include "viewer/qt/qt_progress.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/selection/frmPickList.h"
#include "core/settings/settings_store.h"
#include "scripted_prompts.h"
#include "viewer_fixture.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using tarvel::test::Folder;

std::string Named(const QWidget &widget)
{
    QString text;
    if (const auto *label = qobject_cast<const QLabel *>(&widget))
        text = label->text();
    else if (const auto *button = qobject_cast<const QAbstractButton *>(&widget))
        text = button->text();
    return (widget.objectName().isEmpty() ? QString::fromLatin1(widget.metaObject()->className()) : widget.objectName())
               .toStdString()
        + " \"" + text.left(40).toStdString() + "\"";
}

// What a person sees cut in a shown dialog: a title wider than the frame
// can show it, a control smaller than it asks to be or standing outside the
// window, a line of a label wider than the label.
std::vector<std::string> CutParts(QWidget &dialog)
{
    QCoreApplication::processEvents();
    std::vector<std::string> cut;
    const QString title = dialog.windowTitle();
    if (!title.isEmpty() && dialog.width() < TitleRoom(dialog, title))
        cut.push_back("the title \"" + title.toStdString() + "\"");
    for (QWidget *widget : dialog.findChildren<QWidget *>()) {
        if (!widget->isVisible() || widget->window() != &dialog)
            continue;
        auto *label = qobject_cast<QLabel *>(widget);
        const bool field = qobject_cast<QLineEdit *>(widget)
            && !qobject_cast<QAbstractSpinBox *>(widget->parentWidget()) && !qobject_cast<QComboBox *>(widget->parentWidget());
        if (!label && !field && !qobject_cast<QAbstractButton *>(widget) && !qobject_cast<QAbstractSpinBox *>(widget)
            && !qobject_cast<QComboBox *>(widget))
            continue;
        const QRect box(widget->mapTo(&dialog, QPoint(0, 0)), widget->size());
        if (!dialog.rect().contains(box))
            cut.push_back(Named(*widget) + " stands outside the window");
        // A label that shortens a long text itself (its tooltip holds the
        // whole) needs only its height.
        const bool shortens = label && !label->toolTip().isEmpty() && label->toolTip() == label->text();
        QSize needed = widget->sizeHint();
        if (label && label->wordWrap())
            needed = QSize(0, label->heightForWidth(label->width()));
        if (shortens)
            needed.setWidth(0);
        if (widget->width() < needed.width() || widget->height() < needed.height())
            cut.push_back(Named(*widget) + " is smaller than it needs");
        if (label && !label->wordWrap() && !shortens && label->textFormat() != Qt::RichText) {
            const QFontMetrics metrics(label->font());
            // A single "&" marks the shortcut letter and is not drawn.
            QString shown = label->text();
            shown.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&')).replace(QChar(1), QLatin1Char('&'));
            for (const QString &line : shown.split(QLatin1Char('\n'))) {
                if (metrics.horizontalAdvance(line) > label->contentsRect().width())
                    cut.push_back(Named(*label) + " cuts its text");
            }
        }
    }
    return cut;
}

std::string Listed(const std::vector<std::string> &parts)
{
    std::string text;
    for (const std::string &part : parts)
        text += "\n  " + part;
    return text;
}

class LargeFontTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        m_font = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 16));
        window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(Folder(m_program));
        window->SetDataFolderCandidates({TARVEL_SAMPLE_DATA "/"});
        window->Startup({});
        window->show();
        QCoreApplication::processEvents();
        prompts.records.clear();
    }
    void TearDown() override
    {
        window.reset();
        QApplication::setFont(m_font);
    }

    /// Checks the dialog the next command runs (with the scripted prompts).
    void CheckNextDialog(const std::string &what)
    {
        prompts.dialogScript = [what](QDialog &dialog) {
            const std::vector<std::string> cut = CutParts(dialog);
            EXPECT_TRUE(cut.empty()) << what << ":" << Listed(cut);
            checked.push_back(what);
        };
    }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    QFont m_font;
    ScriptedPrompts prompts;
    std::unique_ptr<frmMain> window;
    static inline std::vector<std::string> checked;
};

TEST_F(LargeFontTest, NoDialogCutsItsTitleLabelsOrButtons)
{
    checked.clear();
    // The print dialog, as every print command titles it, with and without
    // its note on appending to a file.
    QFile existing(m_config.path() + QStringLiteral("/out.txt"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    for (const bool toFile : {false, true}) {
        const std::string key = tarvel::SettingsKey("print");
        window->Settings().WriteSetting(key, "PrintToFile", toFile ? "True" : "False");
        window->Settings().WriteSetting(key, "FileName", existing.fileName().toStdString());
        for (const char *title : {"Print all areas for table ZR5N", "Print ZR5N NAICS series 1990-2008 ~ Alabama [01]"}) {
            frmPrint dialog(window->PrintContext());
            dialog.setWindowTitle(QString::fromLatin1(title));
            dialog.show();
            const std::vector<std::string> cut = CutParts(dialog);
            EXPECT_TRUE(cut.empty()) << title << (toFile ? " (to a file)" : "") << ":" << Listed(cut);
        }
    }

    // The pick lists of areas and quarters, and the size dialog.
    CheckNextDialog("States");
    window->cmdStates->click();
    CheckNextDialog("Select years");
    tarvel::test::ChooseQuarterEntry(*window, tarvel::SelectQuartersEntry);
    for (QAction *item : window->mnuGrid) {
        CheckNextDialog(item->text().toStdString());
        item->trigger();
    }

    // Every page of the export wizard.
    tarvel::test::ChooseAreasInPickList(*window, prompts, {2});
    prompts.dialogScript = [](QDialog &dialog) {
        auto &wizard = static_cast<frmExport &>(dialog);
        for (int page = 1; page <= frmExport::PageCount; ++page) {
            wizard.GoToPage(page);
            const std::vector<std::string> cut = CutParts(wizard);
            EXPECT_TRUE(cut.empty()) << "export page " << page << ":" << Listed(cut);
        }
        checked.push_back("export");
    };
    window->mnuExport->trigger();
    prompts.dialogScript = nullptr;

    // The chart picture's size.
    frmChartImage size(window.get());
    size.SetSize(QSize(800, 450));
    size.show();
    EXPECT_TRUE(CutParts(size).empty()) << "image size:" << Listed(CutParts(size));
    size.hide();

    // The progress of print-all, at its longest step.
    QtProgress progress(window.get(), QStringLiteral("Print all areas for table ZR5N"), 60);
    progress.Step(0, QStringLiteral("Printing Alabama (1 of 60)"));
    progress.Dialog().show();
    progress.Step(8, QStringLiteral("Printing District of Columbia (9 of 60)"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(CutParts(progress.Dialog()).empty()) << "progress:" << Listed(CutParts(progress.Dialog()));
    progress.Dialog().hide();

    // The message and input boxes of the real prompts.
    const auto about = MakeMessageBox(window.get(), QStringLiteral("About TARVEL"),
                                      QStringLiteral("TARVEL, the viewer of quarterly personal income.\n\nVersion 1"),
                                      QMessageBox::Information, QMessageBox::Ok);
    about->show();
    EXPECT_TRUE(CutParts(*about).empty()) << "message box:" << Listed(CutParts(*about));
    about->hide();
    QtPrompts real;
    real.SetParent(window.get());
    QTimer::singleShot(0, [] {
        if (auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            const std::vector<std::string> cut = CutParts(*box);
            EXPECT_TRUE(cut.empty()) << "input box:" << Listed(cut);
            checked.push_back("input box");
            box->reject();
        }
    });
    real.InputBox(QStringLiteral("Change path"), QStringLiteral("Enter the folder that holds the data files:"),
                  QStringLiteral("/media/data/"));

    EXPECT_EQ(checked, (std::vector<std::string>{"States", "Select years", "&Height...", "&Width...", "export",
                                                 "input box"}));
}

} // namespace
