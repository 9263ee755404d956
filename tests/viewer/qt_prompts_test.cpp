#include "viewer/qt/qt_prompts.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A box is never narrower than its title needs in a window frame, however
// short its text: "Printing completed" over "All areas printed." showed as
// "Prin... eted".
TEST(MessageBoxes, AreWideEnoughForTheirTitles)
{
    QMainWindow window;
    window.show();
    struct Case {
        const char *title;
        const char *text;
    };
    for (const Case c : {Case{"Printing completed", "All areas printed."}, Case{"TARVEL", "OK."},
                         Case{"UNSUPPRESSED - FOR ZUL USE ONLY", "You are printing unsuppressed data."}}) {
        const QString title = QString::fromLatin1(c.title);
        const auto box = MakeMessageBox(&window, title, QString::fromLatin1(c.text), QMessageBox::Information,
                                        QMessageBox::Ok);
        box->show();
        QCoreApplication::processEvents();
        QFont bold = box->font();
        bold.setBold(true);
        EXPECT_GE(box->width(), QFontMetrics(bold).horizontalAdvance(title) + 100) << c.title;
        EXPECT_GE(box->width(), TitleRoom(*box, title)) << c.title;
        box->hide();
    }
}

// Enter answers No to a question whose Yes replaces something.
TEST(MessageBoxes, EnterKeepsWhatAReplaceQuestionWouldReplace)
{
    const auto box = MakeMessageBox(nullptr, QStringLiteral("Replace file"),
                                    QStringLiteral("The file /TMP/X.PDF already exists.\nDo you want to replace it?"),
                                    QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    EXPECT_EQ(static_cast<QAbstractButton *>(box->defaultButton()), box->button(QMessageBox::No));
    box->show();
    QCoreApplication::processEvents();
    QTest::keyClick(box.get(), Qt::Key_Return);
    EXPECT_EQ(box->clickedButton(), box->button(QMessageBox::No));
}

} // namespace
