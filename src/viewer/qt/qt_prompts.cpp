#include "viewer/qt/qt_prompts.h"

#include "viewer/qt/qt_title_room.h"

#include "viewer/qt/qt_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
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

#include <algorithm>
#include <cstdlib>

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

std::unique_ptr<QInputDialog> MakeInputBox(QWidget *parent, const QString &title, const QString &prompt,
                                           const QString &initial)
{
    auto box = std::make_unique<QInputDialog>(parent);
    box->setWindowTitle(title);
    box->setLabelText(prompt);
    box->setTextValue(initial);
    box->setInputMode(QInputDialog::TextInput);
    KeepTitleWhole(*box);
    if (!parent)
        CentreOnScreenWhenShown(*box);
    return box;
}

std::optional<QString> QtPrompts::InputBox(const QString &title, const QString &prompt, const QString &initial)
{
    const std::unique_ptr<QInputDialog> box = MakeInputBox(ShownParent(m_parent), title, prompt, initial);
    if (box->exec() != QDialog::Accepted)
        return std::nullopt;
    return box->textValue();
}

std::optional<QString> QtPrompts::SaveFileName(const QString &title, const QString &start, const QString &filter,
                                               int &selectedFilter, ExistingFile existing)
{
    // The filter text uses ";;" between entries; the chosen entry is reported
    // back 1-based, as the settings store keeps it.
    const QStringList entries = filter.split(QStringLiteral(";;"));
    QString chosen = entries.value(selectedFilter - 1);
    const QFileDialog::Options options =
        existing == ExistingFile::Accept ? QFileDialog::DontConfirmOverwrite : QFileDialog::Options();
    const QString name = QFileDialog::getSaveFileName(m_parent, title, start, filter, &chosen, options);
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

namespace {

// The style of family a font dialog opens on: upright and of normal weight
// ("Regular", "Book"), else the nearest to it; empty when the face has none.
QString RegularStyleName(const QString &family, int points)
{
    QString best;
    int bestDistance = 0;
    for (const QString &style : QFontDatabase::styles(family)) {
        const QFont font = QFontDatabase::font(family, style, points);
        const int distance = (font.style() == QFont::StyleNormal ? 0 : 10000) + std::abs(font.weight() - QFont::Normal);
        if (best.isEmpty() || distance < bestDistance) {
            best = style;
            bestDistance = distance;
        }
    }
    return best;
}

// The printer dialog without its file field: the field is hidden and
// disabled each time the dialog shows it, so the dialog asks nothing about
// a file it names (the program's save dialog names the file).
class PrinterDialog final : public QPrintDialog {
public:
    PrinterDialog(QPrinter *printer, QWidget *parent) : QPrintDialog(printer, parent)
    {
        // After the dialog's own handling of a new printer, which shows the field.
        if (auto *printers = findChild<QComboBox *>(QStringLiteral("printers")))
            connect(printers, &QComboBox::currentIndexChanged, this, &PrinterDialog::HideFileField);
    }
    void setVisible(bool visible) override
    {
        QPrintDialog::setVisible(visible);
        if (visible)
            HideFileField();
    }

private:
    void HideFileField()
    {
        for (const char *name : {"lOutput", "filename", "fileBrowser"}) {
            if (auto *widget = findChild<QWidget *>(QString::fromLatin1(name))) {
                widget->hide();
                widget->setEnabled(false);
            }
        }
    }
};

} // namespace

QFont RegularStyleOf(const QFont &font)
{
    QFont regular(font.family());
    if (font.pointSizeF() > 0)
        regular.setPointSizeF(font.pointSizeF());
    const QString style = RegularStyleName(font.family(), std::max(1, font.pointSize()));
    if (!style.isEmpty())
        regular.setStyleName(style);
    regular.setWeight(QFont::Normal);
    regular.setStyle(QFont::StyleNormal);
    return regular;
}

namespace {

// What the font dialog needs besides its own set-up: its lists are read by
// the names of their labels, and its sample box by its title.
void FinishFontDialog(QFontDialog &dialog)
{
    // The face and style lists are their labels' buddies, and each has a box
    // above it that hands it the focus; the size box is the size label's
    // buddy, and the list below it has none.
    const QList<QListView *> lists = dialog.findChildren<QListView *>(Qt::FindDirectChildrenOnly);
    const QList<QLineEdit *> edits = dialog.findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly);
    QString sizeName;
    for (QLabel *label : dialog.findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        const QString name = label->text().remove(QLatin1Char('&'));
        if (auto *list = qobject_cast<QListView *>(label->buddy())) {
            list->setAccessibleName(name);
            for (QLineEdit *edit : edits) {
                if (edit->focusProxy() == list)
                    edit->setAccessibleName(name);
            }
        } else if (qobject_cast<QLineEdit *>(label->buddy())) {
            sizeName = name;
        }
    }
    for (QListView *list : lists) {
        if (list->accessibleName().isEmpty())
            list->setAccessibleName(sizeName);
    }
    for (QGroupBox *group : dialog.findChildren<QGroupBox *>(Qt::FindDirectChildrenOnly)) {
        for (QLineEdit *sample : group->findChildren<QLineEdit *>())
            sample->setAccessibleName(group->title().remove(QLatin1Char('&')));
    }
}

} // namespace

std::unique_ptr<QFontDialog> MakeFontDialog(const QFont &initial, bool fixedPitchOnly, QWidget *parent)
{
    auto dialog = std::make_unique<QFontDialog>(parent);
    if (!fixedPitchOnly) {
        dialog->setCurrentFont(initial);
        FinishFontDialog(*dialog);
        return dialog;
    }
    dialog->setOptions(QFontDialog::MonospacedFonts | QFontDialog::DontUseNativeDialog);
    // A name the desktop stands another face in for ("Courier New") opens
    // on that face, which is the one listed.
    QFont start = initial;
    start.setFamily(QFontInfo(initial).family());
    dialog->setCurrentFont(RegularStyleOf(start));
    // A face the dialog does not list (not marked fixed-pitch) gives way to
    // the first it lists, in whatever style came first: back to the regular.
    const QFont shown = dialog->currentFont();
    if (shown.style() != QFont::StyleNormal || shown.weight() != QFont::Normal)
        dialog->setCurrentFont(RegularStyleOf(shown));
    // The face, style and size lists, in that order: the style list and what
    // names it go, and the effects, which a printer font does not keep.
    const QList<QListView *> lists = dialog->findChildren<QListView *>(Qt::FindDirectChildrenOnly);
    if (lists.size() == 3) {
        QListView *styles = lists[1];
        styles->hide();
        for (QLineEdit *edit : dialog->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly)) {
            if (edit->focusProxy() == styles)
                edit->hide();
        }
        for (QLabel *label : dialog->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
            if (label->buddy() == styles)
                label->hide();
        }
    }
    // The sample box takes its height from the effects box beside it: it
    // keeps that height when the effects go, or it would show nothing.
    int effectsHeight = 0;
    for (QGroupBox *group : dialog->findChildren<QGroupBox *>(Qt::FindDirectChildrenOnly)) {
        if (!group->findChildren<QCheckBox *>().isEmpty()) {
            effectsHeight = group->sizeHint().height();
            group->hide();
        }
    }
    for (QGroupBox *group : dialog->findChildren<QGroupBox *>(Qt::FindDirectChildrenOnly)) {
        if (group->isVisibleTo(dialog.get()) && !group->findChildren<QLineEdit *>().isEmpty())
            group->setMinimumHeight(effectsHeight);
    }
    FinishFontDialog(*dialog);
    return dialog;
}

std::optional<QFont> QtPrompts::ChooseFont(const QFont &initial, bool fixedPitchOnly)
{
    const std::unique_ptr<QFontDialog> dialog = MakeFontDialog(initial, fixedPitchOnly, m_parent);
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    return fixedPitchOnly ? RegularStyleOf(dialog->selectedFont()) : dialog->selectedFont();
}

std::unique_ptr<QPrintDialog> MakePrinterDialog(QPrinter &printer, QWidget *parent)
{
    return std::make_unique<PrinterDialog>(&printer, parent);
}

bool QtPrompts::ChoosePrinter(QPrinter &printer)
{
    const std::unique_ptr<QPrintDialog> dialog = MakePrinterDialog(printer, m_parent);
    return dialog->exec() == QDialog::Accepted;
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

std::unique_ptr<ProgressReport> QtPrompts::StartProgress(const QString &title, int count)
{
    return std::make_unique<QtProgress>(m_parent, title, count);
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
        // 31 is the code the desktop gives when no application is
        // associated; the second line says what it means.
        prompts.Message(path,
                        QStringLiteral("There was an error (err#31) opening the file '") + path
                            + QStringLiteral("' with the application '") + application + QStringLiteral("'.\n")
                            + QStringLiteral("No program is set up to open this kind of file."),
                        QMessageBox::Warning);
    }
    QGuiApplication::restoreOverrideCursor();
}
