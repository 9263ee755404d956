#pragma once

#include "core/catalog/failure.h"

#include <QFont>
#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

/// Every question the program asks the user goes through here: message
/// boxes, the input box, the file, font and printer dialogs, opening a file
/// with its application and the help viewer. The viewer uses QtPrompts;
/// tests install a scripted implementation that answers from a queue.
class Prompts : public tarvel::MessageSink {
public:
    ~Prompts() override = default;
    virtual QMessageBox::StandardButton Message(const QString &title, const QString &text,
        QMessageBox::Icon icon, QMessageBox::StandardButtons buttons = QMessageBox::Ok) = 0;
    /// A Yes/No question whose Yes replaces or deletes something: No is its
    /// default button, so Enter keeps everything as it is. True for Yes.
    virtual bool ConfirmReplace(const QString &title, const QString &text) = 0;
    virtual std::optional<QString> InputBox(const QString &title, const QString &prompt, const QString &initial) = 0;
    /// selectedFilter is in/out: the filter entry chosen (1-based).
    virtual std::optional<QString> SaveFileName(const QString &title, const QString &start, const QString &filter,
                                                int &selectedFilter) = 0;
    virtual std::optional<QString> ChooseFolder(const QString &title, const QString &start) = 0;
    virtual std::optional<QFont> ChooseFont(const QFont &initial, bool fixedPitchOnly) = 0;
    virtual bool ChoosePrinter(QPrinter &printer) = 0;
    /// Opens path (a file or web address) with its associated application;
    /// false when that failed.
    virtual bool OpenWithAssociatedApp(const QString &path) = 0;
    /// The application the desktop associates with path's type; empty when none.
    virtual QString AssociatedApplication(const QString &path) = 0;
    virtual void ShowHelp(int topic) = 0;
    virtual void SearchHelp(const QString &keyword) = 0;
    /// Runs one of our own modal forms and returns its result code.
    virtual int RunDialog(QDialog &dialog) = 0;

    /// The core's messages arrive here as message boxes.
    void ShowMessage(tarvel::MessageIcon icon, const std::string &title, const std::string &text) override;
};

/// The real prompts: Qt's dialogs, parented to the main window.
class QtPrompts final : public Prompts {
public:
    explicit QtPrompts(QWidget *parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget *parent) { m_parent = parent; }
    /// The help viewer; installed by the main window when it exists.
    void SetHelpHandler(std::function<void(int)> topic, std::function<void(const QString &)> search)
    {
        m_helpTopic = std::move(topic);
        m_helpSearch = std::move(search);
    }

    QMessageBox::StandardButton Message(const QString &title, const QString &text, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons) override;
    bool ConfirmReplace(const QString &title, const QString &text) override;
    std::optional<QString> InputBox(const QString &title, const QString &prompt, const QString &initial) override;
    std::optional<QString> SaveFileName(const QString &title, const QString &start, const QString &filter,
                                        int &selectedFilter) override;
    std::optional<QString> ChooseFolder(const QString &title, const QString &start) override;
    std::optional<QFont> ChooseFont(const QFont &initial, bool fixedPitchOnly) override;
    bool ChoosePrinter(QPrinter &printer) override;
    bool OpenWithAssociatedApp(const QString &path) override;
    QString AssociatedApplication(const QString &path) override;
    void ShowHelp(int topic) override;
    void SearchHelp(const QString &keyword) override;
    int RunDialog(QDialog &dialog) override;

private:
    QWidget *m_parent;
    std::function<void(int)> m_helpTopic;
    std::function<void(const QString &)> m_helpSearch;
};

/// The message box QtPrompts runs, made but not shown: parented to parent
/// (centred on the screen when there is none), with defaultButton as the
/// button Enter presses (NoButton: Qt's choice), and never narrower than its
/// title needs in a window frame.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget *parent, const QString &title, const QString &text,
                                            QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
/// The width a window titled title needs for the whole title to show in its
/// frame, beside the frame's icon and buttons, in widget's pixels.
int TitleRoom(const QWidget &widget, const QString &title);

/// Moves box, about to be run modally, to the middle of its screen once it is
/// shown (a box without a window to be centred on).
void CentreOnScreenWhenShown(QWidget &box);

/// Opens path with the application associated with its type. With
/// showErrors, a failure shows one of the two warnings, titled with the path.
void OpenWithAssociatedApp(Prompts &prompts, const QString &path, bool showErrors);
