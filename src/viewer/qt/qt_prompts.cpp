#include "viewer/qt/qt_prompts.h"

#include "viewer/qt/qt_text.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMimeDatabase>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QSpacerItem>
#include <QStringDecoder>
#include <QStringList>
#include <QTimer>
#include <QUrl>

namespace {

// A core message may name a file whose path is UTF-8 (as Linux names are)
// within Latin-1 text: valid UTF-8 is read as such, anything else as Latin-1.
QString MessageText(std::string_view text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return utf8.hasError() ? Latin1(text) : decoded;
}

} // namespace

void Prompts::ShowMessage(tarvel::MessageIcon icon, const std::string &title, const std::string &text)
{
    QMessageBox::Icon qicon = QMessageBox::Information;
    switch (icon) {
    case tarvel::MessageIcon::Information:
        qicon = QMessageBox::Information;
        break;
    case tarvel::MessageIcon::Warning:
        qicon = QMessageBox::Warning;
        break;
    case tarvel::MessageIcon::Critical:
        qicon = QMessageBox::Critical;
        break;
    case tarvel::MessageIcon::Question:
        qicon = QMessageBox::Question;
        break;
    }
    Message(MessageText(title), MessageText(text), qicon, QMessageBox::Ok);
}

namespace {

// The parent a box is centred on: the main window once it is on screen.
QWidget *ShownParent(QWidget *parent)
{
    return parent && parent->isVisible() ? parent : nullptr;
}

} // namespace

void CentreOnScreenWhenShown(QWidget &box)
{
    // The box has its final size only once it is shown, so it is moved
    // from the event loop its exec() runs.
    QTimer::singleShot(0, &box, [&box] {
        const QScreen *screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        QRect frame = box.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        box.move(frame.topLeft());
    });
}

int TitleRoom(const QWidget &widget, const QString &title)
{
    // Frames draw the title in a bold face of about the window's size and
    // put the window's icon and three buttons beside it.
    QFont font = widget.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(title) * 6 / 5 + 7 * metrics.height();
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget *parent, const QString &title, const QString &text,
                                            QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton)
{
    auto box = std::make_unique<QMessageBox>(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(defaultButton);
    // The box sizes itself to its text and buttons; a row of the title's
    // width keeps a short text from cutting the title ("Prin...eted").
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout())) {
        grid->addItem(new QSpacerItem(TitleRoom(*box, title), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    // Before the main window appears (the start-up messages) a box has
    // nothing to be centred on but the screen.
    if (!parent)
        CentreOnScreenWhenShown(*box);
    return box;
}

QMessageBox::StandardButton QtPrompts::Message(const QString &title, const QString &text, QMessageBox::Icon icon,
                                               QMessageBox::StandardButtons buttons)
{
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(ShownParent(m_parent), title, text, icon, buttons);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

bool QtPrompts::ConfirmReplace(const QString &title, const QString &text)
{
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(ShownParent(m_parent), title, text, QMessageBox::Question,
                                                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return box->exec() == QMessageBox::Yes;
}

std::optional<QString> QtPrompts::InputBox(const QString &title, const QString &prompt, const QString &initial)
{
    QWidget *parent = ShownParent(m_parent);
    QInputDialog box(parent);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(initial);
    box.setInputMode(QInputDialog::TextInput);
    if (!parent)
        CentreOnScreenWhenShown(box);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

std::optional<QString> QtPrompts::SaveFileName(const QString &title, const QString &start, const QString &filter,
                                               int &selectedFilter)
{
    // The filter text uses ";;" between entries; the chosen entry is reported
    // back 1-based, as the settings store keeps it.
    const QStringList entries = filter.split(QStringLiteral(";;"));
    QString chosen = entries.value(selectedFilter - 1);
    const QString name = QFileDialog::getSaveFileName(m_parent, title, start, filter, &chosen);
    if (name.isEmpty())
        return std::nullopt;
    const int index = static_cast<int>(entries.indexOf(chosen));
    if (index >= 0)
        selectedFilter = index + 1;
    return name;
}

std::optional<QString> QtPrompts::ChooseFolder(const QString &title, const QString &start)
{
    const QString folder = QFileDialog::getExistingDirectory(m_parent, title, start);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QFont> QtPrompts::ChooseFont(const QFont &initial, bool fixedPitchOnly)
{
    bool ok = false;
    QFontDialog::FontDialogOptions options;
    if (fixedPitchOnly)
        options |= QFontDialog::MonospacedFonts;
    const QFont font = QFontDialog::getFont(&ok, initial, m_parent, QString(), options);
    if (!ok)
        return std::nullopt;
    return font;
}

bool QtPrompts::ChoosePrinter(QPrinter &printer)
{
    QPrintDialog dialog(&printer, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompts::OpenWithAssociatedApp(const QString &path)
{
    const QUrl url = path.contains(QStringLiteral("://")) ? QUrl(path) : QUrl::fromLocalFile(path);
    return QDesktopServices::openUrl(url);
}

QString QtPrompts::AssociatedApplication(const QString &path)
{
    if (path.contains(QStringLiteral("://")))
        return QStringLiteral("web browser");
    const QString mime = QMimeDatabase().mimeTypeForFile(path).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mime});
    if (!query.waitForFinished(3000) || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

void QtPrompts::ShowHelp(int topic)
{
    if (m_helpTopic)
        m_helpTopic(topic);
}

void QtPrompts::SearchHelp(const QString &keyword)
{
    if (m_helpSearch)
        m_helpSearch(keyword);
}

int QtPrompts::RunDialog(QDialog &dialog)
{
    return dialog.exec();
}

void OpenWithAssociatedApp(Prompts &prompts, const QString &path, bool showErrors)
{
    const QString application = prompts.AssociatedApplication(path);
    if (!application.isEmpty() || !showErrors) {
        if (!prompts.OpenWithAssociatedApp(path) && showErrors) {
            // The wording is the program's own and is kept as users know it.
            prompts.Message(path,
                            QStringLiteral("Could open ") + path + QStringLiteral(" with the associated application ")
                                + application + QStringLiteral("."),
                            QMessageBox::Warning);
        }
    } else {
        // 31 is the code the desktop gives when no application is associated.
        prompts.Message(path,
                        QStringLiteral("There was an error (err#31) opening the file '") + path
                            + QStringLiteral("' with the application '") + application + QStringLiteral("'."),
                        QMessageBox::Warning);
    }
    QGuiApplication::restoreOverrideCursor();
}
