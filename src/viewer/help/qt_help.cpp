#include "viewer/help/qt_help.h"
#include "viewer/qt/qt_focus_frame.h"
#include "viewer/qt/qt_status_note.h"
#include "viewer/qt/qt_text.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The topics take their colours from the desktop's palette (a dark or
// high-contrast one too): headings in the text colour, links in the link
// colour, table heads and examples on the alternate background.
QString TopicStyle(const QPalette &palette)
{
    return QStringLiteral("h2 { color: %1; margin-bottom: 6px; }"
                          "h3 { color: %1; margin-top: 14px; margin-bottom: 4px; }"
                          "p { margin-top: 4px; margin-bottom: 6px; }"
                          "li { margin-bottom: 3px; }"
                          "table { border-collapse: collapse; }"
                          "th { background-color: %2; }"
                          "a { color: %3; }"
                          "pre { background-color: %2; }")
        .arg(palette.color(QPalette::Text).name(), palette.color(QPalette::AlternateBase).name(),
             palette.color(QPalette::Link).name());
}

} // namespace

HelpWindow *HelpWindow::Open(const std::string &programFolder, const std::string &dataFolder,
                             tarvel::MessageSink &sink, QWidget *parent)
{
    return OpenFile(tarvel::LocateHelpFile(programFolder, dataFolder), sink, parent);
}

HelpWindow *HelpWindow::OpenFile(const std::string &path, tarvel::MessageSink &sink, QWidget *parent)
{
    tarvel::Result<tarvel::HelpFile> file = tarvel::ReadHelpFile(path);
    if (!file) {
        tarvel::ReportFailure(sink, file.Error());
        return nullptr;
    }
    return new HelpWindow(std::move(*file), path, parent);
}

HelpWindow::HelpWindow(tarvel::HelpFile file, std::string path, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_file(std::move(file))
    , m_path(std::move(path))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("TARVEL Help"));
    setAttribute(Qt::WA_DeleteOnClose);

    cmdContents = new QPushButton(QStringLiteral("&Contents"), this);
    cmdBack = new QPushButton(QStringLiteral("< &Back"), this);
    cmdForward = new QPushButton(QStringLiteral("&Forward >"), this);
    cmdContents->setObjectName(QStringLiteral("cmdContents"));
    cmdBack->setObjectName(QStringLiteral("cmdBack"));
    cmdForward->setObjectName(QStringLiteral("cmdForward"));
    cmdBack->setShortcut(QKeySequence::Back);
    cmdForward->setShortcut(QKeySequence::Forward);

    // "&Contents" has C.
    cmdClose = new QPushButton(QStringLiteral("C&lose"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("keyClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdContents);
    buttons->addWidget(cmdBack);
    buttons->addWidget(cmdForward);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);

    auto *searchPanel = new QWidget(this);
    txtSearch = new QLineEdit(searchPanel);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setPlaceholderText(QStringLiteral("a word, or nothing for all"));
    txtSearch->setClearButtonEnabled(true);
    cmdSearch = new QPushButton(QStringLiteral("&Search"), searchPanel);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    lstKeywords = new QListWidget(searchPanel);
    lstKeywords->setObjectName(QStringLiteral("lstKeywords"));
    lstTopics = new QListWidget(searchPanel);
    lstTopics->setObjectName(QStringLiteral("lstTopics"));

    auto *searchLabel = new QLabel(QStringLiteral("&Type a keyword:"), searchPanel);
    searchLabel->setBuddy(txtSearch);
    auto *keywordLabel = new QLabel(QStringLiteral("&Keywords:"), searchPanel);
    keywordLabel->setBuddy(lstKeywords);
    // "&Forward >" has F.
    auto *topicLabel = new QLabel(QStringLiteral("T&opics found:"), searchPanel);
    topicLabel->setBuddy(lstTopics);
    // A list is read by its own name, never by the label above it.
    lstKeywords->setAccessibleName(QStringLiteral("Keywords"));
    lstTopics->setAccessibleName(QStringLiteral("Topics found"));
    FocusFrameDelegate::Install(lstKeywords);
    FocusFrameDelegate::Install(lstTopics);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(txtSearch, 1);
    searchRow->addWidget(cmdSearch);
    auto *searchLayout = new QVBoxLayout(searchPanel);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->addWidget(searchLabel);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(keywordLabel);
    searchLayout->addWidget(lstKeywords, 3);
    searchLayout->addWidget(topicLabel);
    searchLayout->addWidget(lstTopics, 2);

    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    txtHelp->setOpenLinks(false);
    txtHelp->document()->setDefaultStyleSheet(TopicStyle(txtHelp->palette()));
    txtHelp->document()->setDocumentMargin(12);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(searchPanel);
    splitter->addWidget(txtHelp);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({250, 610});
    splitter->setChildrenCollapsible(false);

    // Says which topic a link, a list or Back brought, the focus staying put.
    m_note = new StatusNote(this);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_note);
    // Never larger than the screen (large text, a small screen), with room
    // for the desktop's frame.
    QSize size(880, 620);
    if (const QScreen *shown = screen())
        size = size.boundedTo(shown->availableGeometry().size() - QSize(16, 48));
    resize(size);

    connect(cmdContents, &QPushButton::clicked, this, [this] { ShowContents(); });
    connect(cmdBack, &QPushButton::clicked, this, [this] { Step(-1); });
    connect(cmdForward, &QPushButton::clicked, this, [this] { Step(1); });
    connect(cmdSearch, &QPushButton::clicked, this, [this] { Search(txtSearch->text()); });
    connect(txtSearch, &QLineEdit::returnPressed, this, [this] { Search(txtSearch->text()); });
    connect(txtSearch, &QLineEdit::textEdited, this, [this](const QString &text) { FillKeywords(text); });
    // A keyword is chosen by a click or by Enter, never by the focus or
    // the arrows passing over it. Enter or a double click also shows its
    // first topic.
    connect(lstKeywords, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { KeywordChosen(lstKeywords->row(item)); });
    connect(lstKeywords, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        KeywordChosen(lstKeywords->row(item));
        ShowFirstTopic(lstKeywords->row(item));
    });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    connect(lstTopics, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { TopicChosen(item); });
    connect(lstTopics, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) { TopicChosen(item); });
    connect(txtHelp, &QTextBrowser::anchorClicked, this, [this](const QUrl &link) { LinkClicked(link); });

    FillKeywords({});
    FillTopics(m_file.Search({}));
    Display(m_file.Contents().number, true);
}

void HelpWindow::ShowContents()
{
    Display(m_file.Contents().number, true);
    BringToFront();
}

void HelpWindow::ShowTopic(int number)
{
    Display(number, true);
    BringToFront();
}

void HelpWindow::Search(const QString &keyword)
{
    txtSearch->setText(keyword);
    FillKeywords(keyword);
    FillTopics(m_file.Search(keyword.toLatin1().toStdString()));
    BringToFront();
    txtSearch->setFocus();
}

int HelpWindow::CurrentTopic() const
{
    return m_historyIndex < 0 ? -1 : m_history[static_cast<std::size_t>(m_historyIndex)];
}

void HelpWindow::Display(int number, bool remember)
{
    const tarvel::HelpTopic *found = m_file.Find(number);
    const tarvel::HelpTopic topic = found ? *found : m_file.Contents();
    txtHelp->setHtml(QString::fromLatin1(tarvel::RenderTopicHtml(topic, m_file)));
    txtHelp->setAccessibleName(topic.title.empty() ? QStringLiteral("Help topic") : Latin1(topic.title));
    // A reader names the topic itself when it has the focus.
    if (!txtHelp->hasFocus())
        m_note->Say(QStringLiteral("Topic shown: ") + txtHelp->accessibleName());
    if (remember && topic.number != CurrentTopic()) {
        // A new topic after going back drops the topics that were ahead.
        m_history.resize(static_cast<std::size_t>(m_historyIndex + 1));
        m_history.push_back(topic.number);
        m_historyIndex = static_cast<int>(m_history.size()) - 1;
    }
    cmdBack->setEnabled(m_historyIndex > 0);
    cmdForward->setEnabled(m_historyIndex + 1 < static_cast<int>(m_history.size()));
}

void HelpWindow::Step(int by)
{
    const int target = m_historyIndex + by;
    if (target < 0 || target >= static_cast<int>(m_history.size()))
        return;
    m_historyIndex = target;
    Display(m_history[static_cast<std::size_t>(target)], false);
}

void HelpWindow::FillKeywords(const QString &text)
{
    m_keywords = m_file.Keywords(text.toLatin1().toStdString());
    const QSignalBlocker blocker(lstKeywords);
    lstKeywords->clear();
    for (const tarvel::HelpKeyword &keyword : m_keywords)
        lstKeywords->addItem(Latin1(keyword.keyword));
}

void HelpWindow::FillTopics(const std::vector<int> &topics)
{
    lstTopics->clear();
    for (const int number : topics) {
        const tarvel::HelpTopic *topic = m_file.Find(number);
        if (!topic)
            continue;
        auto *item = new QListWidgetItem(Latin1(topic->title), lstTopics);
        item->setData(Qt::UserRole, number);
    }
}

void HelpWindow::KeywordChosen(int row)
{
    if (row < 0 || row >= static_cast<int>(m_keywords.size()))
        return;
    const std::vector<int> &topics = m_keywords[static_cast<std::size_t>(row)].topics;
    FillTopics(topics);
    // A keyword with a single topic needs no second choice.
    if (topics.size() == 1)
        Display(topics.front(), true);
}

void HelpWindow::ShowFirstTopic(int row)
{
    if (row < 0 || row >= static_cast<int>(m_keywords.size()))
        return;
    const std::vector<int> &topics = m_keywords[static_cast<std::size_t>(row)].topics;
    if (!topics.empty())
        Display(topics.front(), true);
}

void HelpWindow::TopicChosen(QListWidgetItem *item)
{
    // The topic number rides in the item.
    if (item)
        Display(item->data(Qt::UserRole).toInt(), true);
}

void HelpWindow::LinkClicked(const QUrl &link)
{
    const int number = tarvel::TopicFromLink(link.toString().toLatin1().toStdString());
    if (number != 0)
        Display(number, true);
}

void HelpWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The desktop's colours changed: the topic on show is drawn in the new ones.
    if (event->type() == QEvent::PaletteChange && txtHelp && m_historyIndex >= 0) {
        txtHelp->document()->setDefaultStyleSheet(TopicStyle(txtHelp->palette()));
        Display(CurrentTopic(), false);
    }
}

void HelpWindow::BringToFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

HelpViewer::HelpViewer(std::function<std::string()> helpFile, tarvel::MessageSink &sink, QWidget *parent)
    : m_helpFile(std::move(helpFile))
    , m_sink(sink)
    , m_parent(parent)
{
}

HelpViewer::~HelpViewer()
{
    // A window without a parent would outlive the viewer's owner.
    if (m_window && !m_window->parent())
        delete m_window;
}

void HelpViewer::ShowTopic(int topic)
{
    HelpWindow *window = Ensure();
    if (!window)
        return;
    if (topic <= 0)
        window->ShowContents();
    else
        window->ShowTopic(topic);
}

void HelpViewer::Search(const QString &keyword)
{
    if (HelpWindow *window = Ensure())
        window->Search(keyword);
}

HelpWindow *HelpViewer::Ensure()
{
    // The file is read again when the window was closed or the file named
    // has changed since (a new data folder).
    const std::string path = m_helpFile();
    if (m_window && m_window->Path() != path)
        delete m_window;
    if (!m_window)
        m_window = HelpWindow::OpenFile(path, m_sink, m_parent);
    return m_window;
}
