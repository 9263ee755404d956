#pragma once

#include "core/catalog/failure.h"
#include "viewer/qt/qt_progress.h"

#include <QFont>
#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QFontDialog;
class QInputDialog;
class QPrintDialog;
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
    /// What a save dialog does when the name chosen is a file that exists.
    enum class ExistingFile {
        Confirm, ///< it asks whether to replace it
        Accept,  ///< it asks nothing: the caller says what becomes of the file
    };
    /// selectedFilter is in/out: the filter entry chosen (1-based).
    virtual std::optional<QString> SaveFileName(const QString &title, const QString &start, const QString &filter,
                                                int &selectedFilter, ExistingFile existing) = 0;
    /// The same, asking before an existing file is chosen.
    std::optional<QString> SaveFileName(const QString &title, const QString &start, const QString &filter,
                                        int &selectedFilter)
    {
        return SaveFileName(title, start, filter, selectedFilter, ExistingFile::Confirm);
    }
    virtual std::optional<QString> ChooseFolder(const QString &title, const QString &start) = 0;
    /// The font dialog. With fixedPitchOnly (the printer font: a face and a
    /// size) it lists fixed-pitch faces only and offers no styles: it opens
    /// on the regular style of the face, which is the one returned.
    virtual std::optional<QFont> ChooseFont(const QFont &initial, bool fixedPitchOnly) = 0;
    /// The printer dialog. It has no file field of its own: a program's save
    /// dialog names the file when "Print to File" is chosen.
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
    /// The progress of a long job of count steps, in a dialog titled title
    /// once the job has run about half a second.
    virtual std::unique_ptr<ProgressReport> StartProgress(const QString &title, int count) = 0;

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
/// The input box QtPrompts runs, made but not shown.
std::unique_ptr<QInputDialog> MakeInputBox(QWidget *parent, const QString &title, const QString &prompt,
                                           const QString &initial);
/// The width a window titled title needs for the whole title to show in its
/// frame, beside the frame's icon and buttons, in widget's pixels.
int TitleRoom(const QWidget &widget, const QString &title);

/// Moves box, about to be run modally, to the middle of its screen once it is
/// shown (a box without a window to be centred on).
void CentreOnScreenWhenShown(QWidget &box);

/// The font dialog of ChooseFont, set up and not yet run: with
/// fixedPitchOnly it shows fixed-pitch faces and no styles, and opens on the
/// face initial resolves to, in its regular style.
std::unique_ptr<QFontDialog> MakeFontDialog(const QFont &initial, bool fixedPitchOnly, QWidget *parent = nullptr);
/// The font a fixed-pitch font dialog returns for its choice: the face and
/// size, in the regular style, without effects.
QFont RegularStyleOf(const QFont &font);

/// The printer dialog of ChoosePrinter, its file field hidden (and so never
/// checked: it asks nothing about a file).
std::unique_ptr<QPrintDialog> MakePrinterDialog(QPrinter &printer, QWidget *parent = nullptr);

/// Opens path with the application associated with its type. With
/// showErrors, a failure shows one of the two warnings, titled with the path.
void OpenWithAssociatedApp(Prompts &prompts, const QString &path, bool showErrors);
