#include "viewer/help/qt_help.h"

#include "core/catalog/file_helpers.h"
#include "scripted_prompts.h"
#include "viewer/chart/frmChart.h"
#include "viewer/qt/qt_tool_strip.h"
#include "viewer/main/frmMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QUrl>

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <set>
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

// ---- the shipped help against the program ------------------------------------------

/// A text of the help file as the window shows it.
QString Latin1Of(const std::string &text)
{
    return QString::fromLatin1(text);
}

/// The body of a topic of the shipped help as one line: table rows, list
/// items and paragraphs joined, blanks run together.
QString TopicText(const tarvel::HelpFile &file, int number)
{
    const tarvel::HelpTopic *topic = file.Find(number);
    if (!topic)
        return {};
    QStringList lines;
    for (const std::string &line : topic->body)
        lines << QString::fromLatin1(line);
    return lines.join(QLatin1Char(' ')).simplified();
}

/// The place of the first link to topic in the window's page, or nothing.
std::optional<int> LinkPosition(const QTextBrowser &browser, int topic)
{
    const QString href = QStringLiteral("topic:%1").arg(topic);
    for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().isAnchor() && fragment.charFormat().anchorHref() == href)
                return fragment.position() + fragment.length() / 2;
        }
    }
    return std::nullopt;
}

/// Clicks, with the mouse, the first link to topic on the page shown; false
/// when the page has none.
bool ClickLink(QTextBrowser &browser, int topic)
{
    const std::optional<int> position = LinkPosition(browser, topic);
    if (!position)
        return false;
    QTextCursor cursor(browser.document());
    cursor.setPosition(*position);
    browser.setTextCursor(cursor);
    browser.ensureCursorVisible();
    QTest::mouseClick(browser.viewport(), Qt::LeftButton, Qt::NoModifier, browser.cursorRect(cursor).center());
    return true;
}

/// The topics on what the program has gained since the first help: charts,
/// print preview, workbooks, the keys, the sample data, screen readers and
/// the command line. Each is found by one of its keywords.
struct NewTopic {
    int number;
    const char *title;
    const char *keyword;
};
const NewTopic NewTopics[] = {
    {31, "Charts", "chart"},
    {32, "Print preview", "print preview"},
    {33, "Excel workbooks", "workbook"},
    {34, "Keyboard shortcuts", "keyboard shortcuts"},
    {35, "The sample data", "sample data"},
    {36, "Screen readers, large text and colours", "screen reader"},
    {37, "The command line: tarvel-batch", "tarvel-batch"},
};

// Each new topic opens from the help window three ways, as a user opens it:
// a click on its line of the contents page, its keyword typed in the search
// box and chosen with Enter, and a click on a link in another topic.
TEST_F(HelpWindowTest, NewTopicsOpenFromTheContentsTheKeywordsAndLinks)
{
    CopyShippedHelpTo(dataFolder);
    const tarvel::Result<tarvel::HelpFile> file = tarvel::ReadHelpFile(dataFolder + "tarvel.hlp");
    ASSERT_TRUE(file);
    HelpWindow *window = HelpWindow::Open(programFolder, dataFolder, prompts);
    ASSERT_NE(window, nullptr);
    window->ShowContents();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    auto *browser = Child<QTextBrowser>(window, "txtHelp");
    auto *search = Child<QLineEdit>(window, "txtSearch");
    auto *keywords = Child<QListWidget>(window, "lstKeywords");
    auto *topics = Child<QListWidget>(window, "lstTopics");
    ASSERT_TRUE(browser && search && keywords && topics);

    for (const NewTopic &topic : NewTopics) {
        SCOPED_TRACE(topic.title);
        const tarvel::HelpTopic *found = file->Find(topic.number);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->title, topic.title);

        window->ShowContents();
        ASSERT_TRUE(ClickLink(*browser, topic.number)) << "not on the contents page";
        EXPECT_EQ(window->CurrentTopic(), topic.number);
        EXPECT_TRUE(Shown(window).startsWith(QString::fromLatin1(topic.title)));

        window->ShowContents();
        search->clear();
        search->setFocus();
        QTest::keyClicks(search, QString::fromLatin1(topic.keyword));
        QTest::keyClick(search, Qt::Key_Return);
        const QList<QListWidgetItem *> keyword = keywords->findItems(QString::fromLatin1(topic.keyword), Qt::MatchExactly);
        ASSERT_EQ(keyword.size(), 1) << "no keyword " << topic.keyword;
        keywords->setFocus();
        keywords->setCurrentItem(keyword.front());
        QTest::keyClick(keywords, Qt::Key_Return);
        const QList<QListWidgetItem *> listed = topics->findItems(QString::fromLatin1(topic.title), Qt::MatchExactly);
        ASSERT_EQ(listed.size(), 1) << "not among the topics of its keyword";
        topics->setFocus();
        topics->setCurrentItem(listed.front());
        QTest::keyClick(topics, Qt::Key_Return);
        EXPECT_EQ(window->CurrentTopic(), topic.number);

        // A link from a topic other than the contents page.
        int from = 0;
        for (const tarvel::HelpTopic &other : file->Topics()) {
            const std::string html = tarvel::RenderTopicHtml(other, *file);
            if (other.number != 1 && other.number != topic.number
                && html.find("href=\"topic:" + std::to_string(topic.number) + "\"") != std::string::npos) {
                from = other.number;
                break;
            }
        }
        ASSERT_NE(from, 0) << "no other topic links to it";
        window->ShowTopic(from);
        ASSERT_TRUE(ClickLink(*browser, topic.number));
        EXPECT_EQ(window->CurrentTopic(), topic.number) << "from topic " << from;
    }
    EXPECT_TRUE(prompts.records.empty());
}

// Everything the help window offers opens what it names: every topic of
// the topic list (an empty search lists them all), every keyword of the
// keyword list, and every link of the contents page, which lists every
// topic of the file.
TEST_F(HelpWindowTest, EveryListedTopicKeywordAndContentsLinkOpensItsTopic)
{
    CopyShippedHelpTo(dataFolder);
    const tarvel::Result<tarvel::HelpFile> file = tarvel::ReadHelpFile(dataFolder + "tarvel.hlp");
    ASSERT_TRUE(file);
    HelpWindow *window = HelpWindow::Open(programFolder, dataFolder, prompts);
    ASSERT_NE(window, nullptr);
    window->ShowContents();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    auto *browser = Child<QTextBrowser>(window, "txtHelp");
    auto *keywords = Child<QListWidget>(window, "lstKeywords");
    auto *topics = Child<QListWidget>(window, "lstTopics");
    ASSERT_TRUE(browser && keywords && topics);

    window->Search(QString());
    ASSERT_EQ(topics->count(), static_cast<int>(file->Topics().size()));
    std::set<int> listed;
    for (int row = 0; row < topics->count(); ++row) {
        const QString title = topics->item(row)->text();
        SCOPED_TRACE(title.toStdString());
        topics->setFocus();
        topics->setCurrentRow(row);
        QTest::keyClick(topics, Qt::Key_Return);
        const tarvel::HelpTopic *shown = file->Find(window->CurrentTopic());
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(Latin1Of(shown->title), title);
        EXPECT_TRUE(Shown(window).startsWith(title)) << Shown(window).left(60).toStdString();
        listed.insert(shown->number);
    }
    EXPECT_EQ(listed.size(), file->Topics().size());

    const std::vector<tarvel::HelpKeyword> all = file->Keywords();
    ASSERT_EQ(keywords->count(), static_cast<int>(all.size()));
    for (int row = 0; row < keywords->count(); ++row) {
        SCOPED_TRACE(keywords->item(row)->text().toStdString());
        ASSERT_EQ(keywords->item(row)->text(), Latin1Of(all[static_cast<std::size_t>(row)].keyword));
        const std::vector<int> &expected = all[static_cast<std::size_t>(row)].topics;
        window->ShowContents();
        keywords->setFocus();
        keywords->setCurrentRow(row);
        QTest::keyClick(keywords, Qt::Key_Return);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(window->CurrentTopic(), expected.front());
        EXPECT_EQ(topics->count(), static_cast<int>(expected.size()));
    }

    // The contents page links to every other topic, and each link opens it.
    const std::string contents = tarvel::RenderTopicHtml(file->Contents(), *file);
    std::set<int> linked;
    for (std::size_t at = contents.find("href=\"topic:"); at != std::string::npos;
         at = contents.find("href=\"topic:", at + 1))
        linked.insert(tarvel::TopicFromLink(contents.substr(at + 6, contents.find('"', at + 6) - at - 6)));
    for (const tarvel::HelpTopic &topic : file->Topics()) {
        if (topic.number != file->Contents().number) {
            EXPECT_TRUE(linked.count(topic.number)) << "the contents page lacks topic " << topic.number << " "
                                                    << topic.title;
        }
    }
    for (const int number : linked) {
        SCOPED_TRACE(number);
        window->ShowContents();
        ASSERT_TRUE(ClickLink(*browser, number));
        EXPECT_EQ(window->CurrentTopic(), number);
        ASSERT_NE(file->Find(number), nullptr);
        EXPECT_TRUE(Shown(window).startsWith(Latin1Of(file->Find(number)->title)));
    }
    EXPECT_TRUE(prompts.records.empty());
}

/// "three" for 3: how the help counts a few things.
QString CountWord(int count)
{
    static const char *const words[] = {"no", "one", "two", "three", "four", "five", "six", "seven", "eight"};
    return count >= 0 && count < 9 ? QString::fromLatin1(words[count]) : QString::number(count);
}

/// A menu command as the help writes it: its text without the access-key
/// marks, after the sub-menu's ("Arrange > Cascade").
QString HelpName(const QAction *action, const QString &parents)
{
    QString text = action->text();
    text.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
    return parents.isEmpty() ? text : parents + QStringLiteral(" > ") + text;
}

void CollectCommands(const QMenu *menu, const QString &parents, QStringList &names, QList<QKeySequence> &keys)
{
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator())
            continue;
        if (const QMenu *sub = action->menu()) {
            CollectCommands(sub, HelpName(action, parents), names, keys);
            continue;
        }
        names << HelpName(action, parents);
        if (!action->shortcut().isEmpty())
            keys << action->shortcut();
    }
}

// The help describes the program as it is: every command of each menu in
// that menu's topic, every key of the main window in the keyboard topic,
// every button of "5. Display" (and how many there are) in its topic, and
// every command of a chart window in the chart topic.
TEST_F(HelpWindowTest, ShippedHelpNamesEveryMenuCommandKeyAndButton)
{
    const tarvel::Result<tarvel::HelpFile> file = tarvel::ReadHelpFile(ShippedHelp().toStdString());
    ASSERT_TRUE(file);
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    auto window = std::make_unique<frmMain>(prompts);

    struct MenuTopic {
        const QMenu *menu;
        int topic;
    };
    QList<QKeySequence> keys;
    const frmMainControls &controls = window->Controls();
    for (const MenuTopic &entry : {MenuTopic{controls.mnuFile, 13}, MenuTopic{controls.mnuSettings, 19},
                                   MenuTopic{controls.mnuDocHeader, 20}, MenuTopic{controls.mnuWindow, 21},
                                   MenuTopic{controls.mnuHelp, 22}}) {
        QStringList names;
        CollectCommands(entry.menu, {}, names, keys);
        ASSERT_FALSE(names.isEmpty());
        const QString text = TopicText(*file, entry.topic);
        for (const QString &name : names)
            EXPECT_TRUE(text.contains(name)) << "topic " << entry.topic << " lacks " << name.toStdString();
    }

    for (const QShortcut *shortcut : window->findChildren<QShortcut *>())
        keys << shortcut->key();
    for (const QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!button->shortcut().isEmpty())
            keys << button->shortcut();
    }
    ASSERT_GE(keys.size(), 15);
    const QString keyTopic = TopicText(*file, 34);
    for (const QKeySequence &key : keys) {
        const QString written = key.toString(QKeySequence::PortableText);
        EXPECT_TRUE(keyTopic.contains(QRegularExpression(QStringLiteral("(^|[ ,|])") + QRegularExpression::escape(written)
                                                         + QStringLiteral("($|[ ,|])"))))
            << "the keyboard topic lacks " << written.toStdString();
    }

    const QList<QPushButton *> buttons = window->Controls().fraDisplay->findChildren<QPushButton *>();
    const QString displayTopic = TopicText(*file, 9);
    EXPECT_TRUE(displayTopic.contains(QStringLiteral("holds ") + CountWord(static_cast<int>(buttons.size()))
                                      + QStringLiteral(" picture buttons")))
        << buttons.size() << " buttons";
    for (const QPushButton *button : buttons)
        EXPECT_TRUE(displayTopic.contains(button->toolTip())) << button->toolTip().toStdString();

    tarvel::ChartData data;
    data.Code = "ZR5N";
    data.Title = data.Caption = "ZR5N chart";
    data.Labels = {"2008.1"};
    tarvel::ChartSeries series;
    series.Area = 2;
    series.Line = 1;
    series.Name = "Personal income";
    series.Points.push_back({1, "2008.1", 1.0, "1", false});
    data.Series.push_back(series);
    frmChart chart(data);
    const QString chartTopic = TopicText(*file, 31);
    ASSERT_FALSE(chart.tbrChart->actions().isEmpty());
    for (const QAction *action : chart.tbrChart->actions()) {
        if (!action->isSeparator() && action->isVisible()) {
            EXPECT_TRUE(chartTopic.contains(HelpName(action, {}))) << HelpName(action, {}).toStdString();
        }
    }

    window.reset();
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

} // namespace
