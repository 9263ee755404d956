#include "viewer/help/qt_help.h"

#include "core/catalog/file_helpers.h"
#include "scripted_prompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>

namespace {

QString ShippedHelp()
{
    return QStringLiteral(TARVEL_HELP_FILE);
}

class HelpWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(program.isValid());
        ASSERT_TRUE(data.isValid());
        programFolder = program.path().toStdString() + '/';
        dataFolder = data.path().toStdString() + '/';
    }
    void TearDown() override
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<HelpWindow *>(widget))
                delete widget;
        }
    }

    void CopyShippedHelpTo(const std::string &folder)
    {
        ASSERT_TRUE(QFile::copy(ShippedHelp(), QString::fromStdString(folder + "tarvel.hlp")));
    }
    void WriteHelp(const std::string &folder, const QByteArray &text)
    {
        QFile file(QString::fromStdString(folder + "tarvel.hlp"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    static int HelpWindowCount()
    {
        int count = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            count += qobject_cast<HelpWindow *>(widget) != nullptr ? 1 : 0;
        return count;
    }
    template <class T>
    static T *Child(HelpWindow *window, const char *name)
    {
        T *child = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    static QString Shown(HelpWindow *window) { return Child<QTextBrowser>(window, "txtHelp")->toPlainText(); }

    QTemporaryDir program;
    QTemporaryDir data;
    std::string programFolder;
    std::string dataFolder;
    ScriptedPrompts prompts;
};

TEST_F(HelpWindowTest, TopicEightShowsTheQuickStartInAVisibleNonModalWindow)
{
    CopyShippedHelpTo(dataFolder);
    HelpWindow *window = HelpWindow::Open(programFolder, dataFolder, prompts);
    ASSERT_NE(window, nullptr);
    window->ShowTopic(8);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("TARVEL Help"));
    EXPECT_EQ(window->CurrentTopic(), 8);
    EXPECT_TRUE(Shown(window).startsWith(QStringLiteral("Quick start"))) << Shown(window).left(80).toStdString();
    EXPECT_EQ(window->Path(), dataFolder + "tarvel.hlp");
    EXPECT_TRUE(prompts.records.empty());
}

TEST_F(HelpWindowTest, ContentsIndexAndUnknownTopics)
{
    CopyShippedHelpTo(dataFolder);
    HelpWindow *window = HelpWindow::Open(programFolder, dataFolder, prompts);
    ASSERT_NE(window, nullptr);
    window->ShowTopic(23);
    EXPECT_TRUE(Shown(window).startsWith(QStringLiteral("Index of tables")));
    EXPECT_TRUE(Shown(window).contains(QStringLiteral("ZR5N")));
    window->ShowContents();
    EXPECT_EQ(window->CurrentTopic(), 1);
    // A topic the file lacks shows the contents page rather than nothing.
    window->ShowTopic(777);
    EXPECT_EQ(window->CurrentTopic(), 1);
    EXPECT_TRUE(Shown(window).startsWith(QStringLiteral("Contents")));
}

TEST_F(HelpWindowTest, EmptySearchListsEveryKeywordAndTopic)
{
    CopyShippedHelpTo(dataFolder);
    const tarvel::Result<tarvel::HelpFile> file = tarvel::ReadHelpFile(dataFolder + "tarvel.hlp");
    ASSERT_TRUE(file);
    HelpWindow *window = HelpWindow::Open(programFolder, dataFolder, prompts);
    ASSERT_NE(window, nullptr);
    window->Search(QString());
    EXPECT_TRUE(window->isVisible());
    auto *keywords = Child<QListWidget>(window, "lstKeywords");
    auto *topics = Child<QListWidget>(window, "lstTopics");
    ASSERT_GT(keywords->count(), 50);
    EXPECT_EQ(keywords->count(), static_cast<int>(file->Keywords().size()));
    EXPECT_EQ(topics->count(), static_cast<int>(file->Topics().size()));
    EXPECT_FALSE(keywords->findItems(QStringLiteral("quick start"), Qt::MatchExactly).isEmpty());
    // Something is always on show, never a blank page.
    EXPECT_FALSE(Shown(window).isEmpty());
}

TEST_F(HelpWindowTest, KeywordSearchNarrowsTheListsAndAChosenKeywordShowsItsTopic)
{
    WriteHelp(dataFolder, "@topic 1 Contents\n@keywords contents\nSee [[5]].\n"
                          "@topic 5 Printing\n@keywords print, printer\nHow to print.\n"
                          "@topic 6 Print all\n@keywords print, print all\nAll areas.\n");
    HelpWindow *window = HelpWindow::Open(programFolder, dataFolder, prompts);
    ASSERT_NE(window, nullptr);
    window->Search(QStringLiteral("PRINT"));
    auto *keywords = Child<QListWidget>(window, "lstKeywords");
    auto *topics = Child<QListWidget>(window, "lstTopics");
    ASSERT_EQ(keywords->count(), 3);
    EXPECT_EQ(keywords->item(0)->text(), QStringLiteral("print"));
    EXPECT_EQ(topics->count(), 2);
    EXPECT_EQ(Child<QLineEdit>(window, "txtSearch")->text(), QStringLiteral("PRINT"));

    emit keywords->itemClicked(keywords->item(2)); // "printer": one topic, shown at once
    EXPECT_EQ(window->CurrentTopic(), 5);
    EXPECT_EQ(topics->count(), 1);
    emit keywords->itemClicked(keywords->item(0)); // "print": two topics to choose from
    EXPECT_EQ(topics->count(), 2);
    ASSERT_NE(topics->item(1), nullptr);
    emit topics->itemClicked(topics->item(1));
    EXPECT_EQ(window->CurrentTopic(), 6);
}

TEST_F(HelpWindowTest, LinksBackAndForwardWalkTheTopicsSeen)
{
    WriteHelp(dataFolder, "@topic 1 Contents\n@keywords c\n[[2]] [[3]]\n"
                          "@topic 2 Two\n@keywords t\nback to [[1]]\n"
                          "@topic 3 Three\n@keywords t\nthree\n");
    HelpWindow *window = HelpWindow::Open(programFolder, dataFolder, prompts);
    ASSERT_NE(window, nullptr);
    window->ShowContents();
    auto *browser = Child<QTextBrowser>(window, "txtHelp");
    auto *back = Child<QPushButton>(window, "cmdBack");
    auto *forward = Child<QPushButton>(window, "cmdForward");
    EXPECT_FALSE(back->isEnabled());

    emit browser->anchorClicked(QUrl(QStringLiteral("topic:2")));
    EXPECT_EQ(window->CurrentTopic(), 2);
    emit browser->anchorClicked(QUrl(QStringLiteral("http://example.org/")));
    EXPECT_EQ(window->CurrentTopic(), 2);
    window->ShowTopic(3);
    back->click();
    back->click();
    EXPECT_EQ(window->CurrentTopic(), 1);
    EXPECT_FALSE(back->isEnabled());
    forward->click();
    EXPECT_EQ(window->CurrentTopic(), 2);
    EXPECT_TRUE(forward->isEnabled());
    // A new topic after going back drops the ones ahead.
    Child<QPushButton>(window, "cmdContents")->click();
    EXPECT_EQ(window->CurrentTopic(), 1);
    EXPECT_FALSE(forward->isEnabled());
    back->click();
    EXPECT_EQ(window->CurrentTopic(), 2);
}

TEST_F(HelpWindowTest, MissingHelpFileReportsTheDataFolderPathAndOpensNoWindow)
{
    HelpWindow *window = HelpWindow::Open(programFolder, dataFolder, prompts);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(HelpWindowCount(), 0);
    const auto messages = prompts.Of(ScriptedPrompts::Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("File not accessible"));
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(messages[0].text,
              QString::fromStdString(tarvel::FileNotAccessibleText(dataFolder + "tarvel.hlp", ENOENT)));
}

TEST_F(HelpWindowTest, DamagedHelpFileReportsWhatIsWrongAndOpensNoWindow)
{
    WriteHelp(dataFolder, "@topic 1 One\n@topic 1 Again\n");
    EXPECT_EQ(HelpWindow::Open(programFolder, dataFolder, prompts), nullptr);
    EXPECT_EQ(HelpWindowCount(), 0);
    const auto messages = prompts.Of(ScriptedPrompts::Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("File damaged"));
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("topic 1 was already defined on line 1")));
}

TEST_F(HelpWindowTest, ViewerKeepsOneWindowAndReopensAfterItWasClosed)
{
    CopyShippedHelpTo(programFolder);
    std::string path = programFolder + "tarvel.hlp";
    QWidget owner;
    HelpViewer viewer([&path] { return path; }, prompts, &owner);
    viewer.ShowTopic(0);
    HelpWindow *first = viewer.Window();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->CurrentTopic(), 1);
    EXPECT_TRUE(first->isWindow());
    viewer.ShowTopic(23);
    viewer.Search(QString());
    EXPECT_EQ(viewer.Window(), first);
    EXPECT_EQ(first->CurrentTopic(), 23);

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(viewer.Window(), nullptr);
    viewer.ShowTopic(8);
    ASSERT_NE(viewer.Window(), nullptr);
    EXPECT_EQ(viewer.Window()->CurrentTopic(), 8);

    // A help file that has gone since gives the message and no window.
    path = dataFolder + "tarvel.hlp";
    viewer.ShowTopic(8);
    EXPECT_EQ(viewer.Window(), nullptr);
    EXPECT_EQ(prompts.Of(ScriptedPrompts::Kind::Message).size(), 1u);
}

} // namespace
