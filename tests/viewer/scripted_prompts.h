#pragma once

#include "viewer/qt/qt_prompts.h"

#include <QList>
#include <QPrinter>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

/// Prompts that never block: every question is recorded and answered from
/// a queue (or a default when the queue is empty), so a test drives the
/// real windows without a modal dialog ever waiting for a person.
class ScriptedPrompts final : public Prompts {
public:
    enum class Kind { Message, InputBox, SaveFileName, ChooseFolder, ChooseFont, ChoosePrinter, OpenWithApp,
                      AssociatedApp, Help, SearchHelp, Dialog, Progress };

    struct Record {
        Kind kind;
        QString title;  ///< message title, input-box title, dialog caption, file path
        QString text;   ///< message text, prompt, keyword
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString initial; ///< the input box's initial text, the file dialog's start
        int topic = 0;   ///< help topic; the file dialog's filter entry as it opened; a progress's count
        /// A save dialog asks before an existing file is chosen.
        bool confirmsReplace = false;
        /// The message box's button Enter presses; NoButton for the box's first.
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    // Answers, taken in order. Defaults when a queue is empty: the message
    // box's default button (Enter), else its first (Ok), cancel for the input box and the file, folder
    // and font dialogs, false for the printer, true for opening a file.
    std::deque<QMessageBox::StandardButton> messageAnswers;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<std::optional<QString>> saveFileAnswers;
    std::deque<int> saveFilterAnswers; ///< the filter entry chosen with a file name (1-based)
    std::deque<std::optional<QString>> folderAnswers;
    std::deque<std::optional<QFont>> fontAnswers;
    std::deque<bool> printerAnswers;
    std::deque<bool> openAnswers;
    QString associatedApplication = QStringLiteral("text editor");
    /// Runs on each dialog given to RunDialog after it is shown: click, type,
    /// then press OK or leave it open (it is then closed as with the close box).
    std::function<void(QDialog &)> dialogScript;
    /// Runs as RunDialog returns, the dialog closed.
    std::function<void()> dialogClosed;
    /// Progress steps: "done/count text" each, in order, of every job.
    QStringList progressSteps;
    /// The step (0-based) of a job at which the user presses Cancel; -1 never.
    int cancelProgressAt = -1;
    /// Runs as a job starts its progress (before its first step).
    std::function<void()> progressStarted;

    std::vector<Record> records;

    /// The records of one kind, in order.
    std::vector<Record> Of(Kind kind) const;
    /// The message boxes titled title, in order.
    std::vector<Record> Messages(const QString &title) const;

    QMessageBox::StandardButton Message(const QString &title, const QString &text, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons) override;
    /// Recorded as a message box with Yes and No, No its default button.
    bool ConfirmReplace(const QString &title, const QString &text) override;
    std::optional<QString> InputBox(const QString &title, const QString &prompt, const QString &initial) override;
    using Prompts::SaveFileName;
    std::optional<QString> SaveFileName(const QString &title, const QString &start, const QString &filter,
                                        int &selectedFilter, ExistingFile existing) override;
    std::optional<QString> ChooseFolder(const QString &title, const QString &start) override;
    std::optional<QFont> ChooseFont(const QFont &initial, bool fixedPitchOnly) override;
    bool ChoosePrinter(QPrinter &printer) override;
    bool OpenWithAssociatedApp(const QString &path) override;
    QString AssociatedApplication(const QString &path) override;
    void ShowHelp(int topic) override;
    void SearchHelp(const QString &keyword) override;
    int RunDialog(QDialog &dialog) override;
    std::unique_ptr<ProgressReport> StartProgress(const QString &title, int count) override;
};
