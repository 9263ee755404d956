// Every dialog of the viewer at a 16-point desktop font, as a desktop's
// large text setting gives it: no title, label or button is cut.
#include "viewer/chart/frmChartImage.h"
#include "viewer/export/frmExport.h"
#include "viewer/main/frmMain.h"
#include "viewer/print/frmPrint.h"
#include "viewer/qt/qt_progress.h"
#include "viewer/qt/qt_prompts.h"
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
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

namespace {

// What a person sees cut in a shown window: a title wider than its frame
// shows, a control smaller than it asks to be or outside the window, a
// label's line wider than the label. Empty when nothing is cut.
std::string CutParts(QWidget &window)
{
    QCoreApplication::processEvents();
    std::string cut;
    if (window.width() < TitleRoom(window, window.windowTitle()))
        cut += "\n  the title " + window.windowTitle().toStdString();
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(widget);
        auto *button = qobject_cast<QAbstractButton *>(widget);
        const bool box = qobject_cast<QAbstractSpinBox *>(widget) || qobject_cast<QComboBox *>(widget)
            || (qobject_cast<QLineEdit *>(widget) && widget->parentWidget() == widget->window());
        if (!widget->isVisible() || (!label && !button && !box))
            continue;
        const std::string name = widget->objectName().toStdString() + " \""
            + (label ? label->text() : button ? button->text() : QString()).toStdString() + "\"";
        if (!window.rect().contains(QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size())))
            cut += "\n  " + name + " stands outside the window";
        // A label that shortens a long text itself (its tooltip holds the
        // whole) needs only its height; a wrapping one the height of its lines.
        const bool shortens = label && !label->toolTip().isEmpty() && label->toolTip() == label->text();
        QSize needed = widget->sizeHint();
        if (label && label->wordWrap())
            needed = QSize(0, label->heightForWidth(label->width()));
        if (widget->width() < (shortens ? 0 : needed.width()) || widget->height() < needed.height())
            cut += "\n  " + name + " is smaller than it needs";
        if (label && !label->wordWrap() && !shortens) {
            QString shown = label->text(); // a single "&" marks a shortcut and is not drawn
            shown.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
            for (const QString &line : shown.split(QLatin1Char('\n'))) {
                if (QFontMetrics(label->font()).horizontalAdvance(line) > label->contentsRect().width())
                    cut += "\n  " + name + " cuts its text";
            }
        }
    }
    return cut;
}

TEST(LargeFont, NoDialogCutsItsTitleLabelsOrButtons)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QFont before = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 16));
    ScriptedPrompts prompts;
    auto window = std::make_unique<frmMain>(prompts);
    window->SetProgramFolder(tarvel::test::Folder(config));
    window->SetDataFolderCandidates({TARVEL_SAMPLE_DATA "/"});
    window->Startup({});
    window->show();

    // The print dialog, as the print commands title it, with and without
    // its note on adding to a file that exists.
    QFile existing(config.path() + QStringLiteral("/out.txt"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    for (const char *toFile : {"False", "True"}) {
        window->Settings().WriteSetting(tarvel::SettingsKey("print"), "PrintToFile", toFile);
        window->Settings().WriteSetting(tarvel::SettingsKey("print"), "FileName", existing.fileName().toStdString());
        for (const char *title : {"Print all areas for table ZR5N", "Print ZR5N NAICS series 1990-2008 ~ Alabama [01]"}) {
            frmPrint dialog(window->PrintContext());
            dialog.setWindowTitle(QString::fromLatin1(title));
            dialog.show();
            EXPECT_EQ(CutParts(dialog), "") << title << ", to a file: " << toFile;
        }
    }

    // The dialogs the commands open: the pick lists, the size dialogs and
    // every page of the export wizard.
    tarvel::test::ChooseAreasInPickList(*window, prompts, {2});
    QStringList checked;
    prompts.dialogScript = [&checked](QDialog &dialog) {
        auto *wizard = qobject_cast<frmExport *>(&dialog);
        for (int page = 1; page <= (wizard ? frmExport::PageCount : 1); ++page) {
            if (wizard)
                wizard->GoToPage(page);
            EXPECT_EQ(CutParts(dialog), "") << dialog.windowTitle().toStdString() << " " << page;
        }
        checked << dialog.objectName();
    };
    window->Controls().cmdStates->click();
    tarvel::test::ChooseQuarterEntry(*window, tarvel::SelectQuartersEntry);
    for (QAction *item : window->Controls().mnuGrid)
        item->trigger();
    window->Controls().mnuExport->trigger();
    EXPECT_EQ(checked.join(QLatin1Char(' ')).toStdString(), "frmPickList frmPickList frmScroll frmScroll frmExport");

    // The chart picture's size, the progress of print-all at a longer step
    // than its first, a message box and the input box.
    frmChartImage size;
    size.show();
    EXPECT_EQ(CutParts(size), "");
    QtProgress progress(nullptr, QStringLiteral("Print all areas for table ZR5N"), 60);
    progress.Step(0, QStringLiteral("Printing Alabama (1 of 60)"));
    progress.Dialog().show();
    progress.Step(8, QStringLiteral("Printing District of Columbia (9 of 60)"));
    EXPECT_EQ(CutParts(progress.Dialog()), "");
    const auto box = MakeMessageBox(nullptr, QStringLiteral("Printing completed"),
                                    QStringLiteral("All areas printed."), QMessageBox::Information, QMessageBox::Ok);
    box->show();
    EXPECT_EQ(CutParts(*box), "");
    QtPrompts real;
    real.SetParent(window.get());
    std::string input = "not shown";
    QTimer::singleShot(0, [&input] {
        if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            input = CutParts(*dialog);
            dialog->reject();
        }
    });
    real.InputBox(QStringLiteral("Change path"), QStringLiteral("Enter the folder of the data files:"), QString());
    EXPECT_EQ(input, "");

    window.reset();
    QApplication::setFont(before);
}

} // namespace
