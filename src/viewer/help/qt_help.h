#pragma once

#include "core/catalog/failure.h"
#include "core/help/help_file.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTextBrowser;
class StatusNote;
class QUrl;

/// The help viewer: a non-modal top-level window titled "TARVEL Help" that
/// shows the topics of "tarvel.hlp" with a contents button, back and
/// forward, and a keyword search with its list of keywords and topics.
/// Close and Escape close it.
/// The main window keeps a QPointer to it: closing the window deletes it.
class HelpWindow final : public QWidget {
    Q_OBJECT

public:
    /// Reads programFolder + "tarvel.hlp", or dataFolder + "tarvel.hlp" when
    /// the first does not exist (folders end in '/'), and builds the window,
    /// still hidden. A missing or damaged file is reported through sink and
    /// gives nullptr; no window is left behind.
    static HelpWindow *Open(const std::string &programFolder, const std::string &dataFolder,
                            tarvel::MessageSink &sink, QWidget *parent = nullptr);
    /// The same for a help file already named (the path chosen at start-up).
    static HelpWindow *OpenFile(const std::string &path, tarvel::MessageSink &sink, QWidget *parent = nullptr);

    HelpWindow(tarvel::HelpFile file, std::string path, QWidget *parent = nullptr);

    // Each request shows the window and brings it to the front.
    /// The contents page: topic 1, or a list of every topic.
    void ShowContents();
    /// Topic number; a number the file does not hold shows the contents page.
    void ShowTopic(int number);
    /// Lists the keywords containing keyword and the topics they lead to; an
    /// empty keyword lists every keyword and every topic.
    void Search(const QString &keyword);

    /// The topic on show: its number, 0 for a generated contents page, -1 for none.
    int CurrentTopic() const;
    const std::string &Path() const { return m_path; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void Display(int number, bool remember);
    void Step(int by);
    void FillKeywords(const QString &text);
    void FillTopics(const std::vector<int> &topics);
    void KeywordChosen(int row);
    void ShowFirstTopic(int row);
    void TopicChosen(QListWidgetItem *item);
    void LinkClicked(const QUrl &link);
    void BringToFront();

    QPushButton *cmdContents = nullptr;
    QPushButton *cmdBack = nullptr;
    QPushButton *cmdForward = nullptr;
    QPushButton *cmdClose = nullptr;
    QLineEdit *txtSearch = nullptr;
    QPushButton *cmdSearch = nullptr;
    QListWidget *lstKeywords = nullptr;
    QListWidget *lstTopics = nullptr;
    QTextBrowser *txtHelp = nullptr;
    StatusNote *m_note = nullptr;

    tarvel::HelpFile m_file;
    std::string m_path;
    std::vector<tarvel::HelpKeyword> m_keywords; ///< the rows of lstKeywords
    std::vector<int> m_history;                  ///< topics shown, 0 = generated contents
    int m_historyIndex = -1;
};

/// The program's one help window, opened on the first request and opened
/// again after the user closed it. The main window's help commands end up
/// here: topic 0 is the contents page.
class HelpViewer {
public:
    /// helpFile names the help file at the time of each request.
    HelpViewer(std::function<std::string()> helpFile, tarvel::MessageSink &sink, QWidget *parent = nullptr);
    HelpViewer(const HelpViewer &) = delete;
    HelpViewer &operator=(const HelpViewer &) = delete;
    ~HelpViewer();

    void ShowTopic(int topic);
    void Search(const QString &keyword);
    /// The open help window, or nullptr.
    HelpWindow *Window() const { return m_window; }

private:
    HelpWindow *Ensure();

    std::function<std::string()> m_helpFile;
    tarvel::MessageSink &m_sink;
    QPointer<QWidget> m_parent;
    QPointer<HelpWindow> m_window;
};
