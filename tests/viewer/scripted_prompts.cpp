#include "scripted_prompts.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

namespace {

// Takes the next answer into answer; false when the queue is empty.
template <class T>
bool Take(std::deque<T> &queue, T &answer)
{
    if (queue.empty())
        return false;
    answer = std::move(queue.front());
    queue.pop_front();
    return true;
}

} // namespace

std::vector<ScriptedPrompts::Record> ScriptedPrompts::Of(Kind kind) const
{
    std::vector<Record> found;
    for (const Record &record : records) {
        if (record.kind == kind)
            found.push_back(record);
    }
    return found;
}

std::vector<ScriptedPrompts::Record> ScriptedPrompts::Messages(const QString &title) const
{
    std::vector<Record> found;
    for (const Record &record : records) {
        if (record.kind == Kind::Message && record.title == title)
            found.push_back(record);
    }
    return found;
}

QMessageBox::StandardButton ScriptedPrompts::Message(const QString &title, const QString &text,
                                                     QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
{
    records.push_back({Kind::Message, title, text, icon, {}, 0});
    if (QMessageBox::StandardButton answer = QMessageBox::Ok; Take(messageAnswers, answer))
        return answer;
    // The first button the box offers, as Enter would choose it.
    for (int bit = 0; bit < 32; ++bit) {
        const auto button = static_cast<QMessageBox::StandardButton>(1u << bit);
        if (buttons.testFlag(button))
            return button;
    }
    return QMessageBox::Ok;
}

bool ScriptedPrompts::ConfirmReplace(const QString &title, const QString &text)
{
    records.push_back({Kind::Message, title, text, QMessageBox::Question, {}, 0, false, QMessageBox::No});
    QMessageBox::StandardButton answer = QMessageBox::No; // Enter
    Take(messageAnswers, answer);
    return answer == QMessageBox::Yes;
}

std::optional<QString> ScriptedPrompts::InputBox(const QString &title, const QString &prompt, const QString &initial)
{
    records.push_back({Kind::InputBox, title, prompt, QMessageBox::NoIcon, initial, 0});
    std::optional<QString> answer;
    Take(inputAnswers, answer);
    return answer;
}

std::optional<QString> ScriptedPrompts::SaveFileName(const QString &title, const QString &start,
                                                     const QString &filter, int &selectedFilter, ExistingFile existing)
{
    records.push_back({Kind::SaveFileName, title, filter, QMessageBox::NoIcon, start, selectedFilter,
                       existing == ExistingFile::Confirm});
    Take(saveFilterAnswers, selectedFilter);
    std::optional<QString> answer;
    Take(saveFileAnswers, answer);
    return answer;
}

std::optional<QString> ScriptedPrompts::ChooseFolder(const QString &title, const QString &start)
{
    records.push_back({Kind::ChooseFolder, title, {}, QMessageBox::NoIcon, start, 0});
    std::optional<QString> answer;
    Take(folderAnswers, answer);
    return answer;
}

std::optional<QFont> ScriptedPrompts::ChooseFont(const QFont &initial, bool fixedPitchOnly)
{
    records.push_back({Kind::ChooseFont, initial.family(), fixedPitchOnly ? QStringLiteral("fixed") : QString(),
                       QMessageBox::NoIcon, {}, initial.pointSize()});
    std::optional<QFont> answer;
    Take(fontAnswers, answer);
    return answer;
}

bool ScriptedPrompts::ChoosePrinter(QPrinter &printer)
{
    records.push_back({Kind::ChoosePrinter, printer.printerName(), {}, QMessageBox::NoIcon, {}, 0});
    bool answer = false;
    Take(printerAnswers, answer);
    return answer;
}

bool ScriptedPrompts::OpenWithAssociatedApp(const QString &path)
{
    records.push_back({Kind::OpenWithApp, path, {}, QMessageBox::NoIcon, {}, 0});
    bool answer = true;
    Take(openAnswers, answer);
    return answer;
}

QString ScriptedPrompts::AssociatedApplication(const QString &path)
{
    records.push_back({Kind::AssociatedApp, path, {}, QMessageBox::NoIcon, {}, 0});
    return associatedApplication;
}

void ScriptedPrompts::ShowHelp(int topic)
{
    records.push_back({Kind::Help, {}, {}, QMessageBox::NoIcon, {}, topic});
}

void ScriptedPrompts::SearchHelp(const QString &keyword)
{
    records.push_back({Kind::SearchHelp, {}, keyword, QMessageBox::NoIcon, {}, 0});
}

int ScriptedPrompts::RunDialog(QDialog &dialog)
{
    records.push_back({Kind::Dialog, dialog.windowTitle(), dialog.objectName(), QMessageBox::NoIcon, {}, 0});
    const QPointer<QWidget> before = QApplication::activeWindow();
    dialog.show();
    QCoreApplication::processEvents();
    if (dialogScript)
        dialogScript(dialog);
    // A dialog the script left open is closed as with its close box.
    if (dialog.isVisible())
        dialog.close();
    // The window that was active before becomes active again, as the
    // desktop makes it when a modal dialog closes.
    if (before && before->isVisible()) {
        before->activateWindow();
        QCoreApplication::processEvents();
    }
    if (dialogClosed)
        dialogClosed();
    return dialog.result();
}

namespace {

// Records each step and presses Cancel where the script says.
class ScriptedProgress final : public ProgressReport {
public:
    ScriptedProgress(ScriptedPrompts &prompts, int count) : m_prompts(prompts), m_count(count) {}
    bool Step(int done, const QString &text) override
    {
        m_prompts.progressSteps << QStringLiteral("%1/%2 %3").arg(done).arg(m_count).arg(text);
        m_cancelled = m_cancelled || done == m_prompts.cancelProgressAt;
        return !m_cancelled;
    }

private:
    ScriptedPrompts &m_prompts;
    int m_count;
    bool m_cancelled = false;
};

} // namespace

std::unique_ptr<ProgressReport> ScriptedPrompts::StartProgress(const QString &title, int count)
{
    records.push_back({Kind::Progress, title, {}, QMessageBox::NoIcon, {}, count});
    if (progressStarted)
        progressStarted();
    return std::make_unique<ScriptedProgress>(*this, count);
}
