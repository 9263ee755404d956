#include "viewer/print/frmPrint.h"

#include "viewer/qt/qt_batch_command.h"
#include "viewer/qt/qt_busy_cursor.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_twips.h"
#include "core/catalog/data_files.h"
#include "core/catalog/file_helpers.h"
#include "core/settings/program_settings.h"
#include "viewer/print/qt_printer_target.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

const QString PrintToFilePrefix = QStringLiteral("Print to file = ");
const QString SaveTitle = QStringLiteral("Select a file to receive print output");
// The fourth entry, PDF, is drawn as on paper into the file.
// "*" rather than "*.*": the file dialog would give a name the literal
// extension ".*" from that pattern.
const QString SaveFilter = QStringLiteral(
    "All files (*);;Text files (*.txt);;Web files (*.htm);;PDF files (*.pdf)");
constexpr int SaveFilterCount = 4;
const char *const AppendNote = "This file exists: the print will be added to its end.";

// The dialog's client area in twips, and the note shown below it.
constexpr int ClientWidth = 3765;
constexpr int ClientHeight = 3705;
constexpr int AppendNoteHeight = 420;

// The file-type entry a chosen name stands for.
const char *FilterIndexOf(const std::string &name)
{
    const std::string ending = name.size() >= 4 ? tarvel::ToLower(name.substr(name.size() - 4)) : std::string();
    if (ending == ".txt")
        return "2";
    if (ending == ".htm")
        return "3";
    if (ending == ".pdf")
        return "4";
    return "1";
}

// The output label: its text is the dialog's state, whole; on screen a
// path too long for the label loses the middle of its folder, never its
// file name, whose extension decides the kind of output.
class OutputLabel final : public QLabel {
public:
    using QLabel::QLabel;
    QString Shown() const
    {
        const QString all = text();
        const QFontMetrics metrics(font());
        const int width = contentsRect().width();
        if (metrics.horizontalAdvance(all) <= width)
            return all;
        if (all.startsWith(PrintToFilePrefix))
            return PrintToFilePrefix + QLatin1Char('\n')
                + ElideKeepingFileName(all.mid(PrintToFilePrefix.size()), metrics, width);
        return metrics.elidedText(all, Qt::ElideMiddle, width);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(contentsRect(), static_cast<int>(alignment()), Shown());
    }
};

} // namespace

QString ElideKeepingFileName(const QString &path, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const QString ellipsis(QChar(0x2026));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    const QString tail = slash >= 0 ? ellipsis + path.mid(slash) : ellipsis + name;
    const int room = width - metrics.horizontalAdvance(tail);
    if (slash < 0 || room <= 0)
        return metrics.elidedText(name, Qt::ElideMiddle, width);
    // As much of the folder's start as fits before the file name.
    qsizetype keep = slash;
    while (keep > 0 && metrics.horizontalAdvance(path.left(keep)) > room)
        --keep;
    return path.left(keep) + tail;
}

frmPrint::frmPrint(const PrintDialogContext &context) : QDialog(context.parent), m_context(context)
{
    setObjectName(QStringLiteral("frmPrint"));
    CreateControls();
    Form_Load();
}

QString frmPrint::PrinterDisplayName(const QPrinter &printer)
{
    if (!printer.printerName().isEmpty())
        return printer.printerName();
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return QStringLiteral("PDF printer: ") + printer.outputFileName();
    return QStringLiteral("No printer set up");
}

void frmPrint::CreateControls()
{
    auto label = [this](const char *name, const char *caption, bool bold) {
        auto *l = new QLabel(QString::fromLatin1(caption), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setTextFormat(Qt::PlainText);
        if (bold) {
            QFont font = l->font();
            font.setBold(true);
            l->setFont(font);
        }
        return l;
    };
    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };

    lblP = label("lblP", "Printer", true);
    lblPrint = new OutputLabel(QStringLiteral("Printer Port"), this);
    lblPrint->setObjectName(QStringLiteral("lblPrint"));
    lblPrint->setTextFormat(Qt::PlainText);
    lblPrint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblF = label("lblF", "Font", true);
    lblFont = label("lblFont", "Font", false);
    cmdPSet = button("cmdPSet", "Change P&rinter");
    cmdFont = button("cmdFont", "Change &Font");
    chkFootnote = new QCheckBox(QStringLiteral("&Include Footnotes"), this);
    chkFootnote->setObjectName(QStringLiteral("chkFootnote"));
    chkFootnote->setChecked(true);
    cmdPrint = button("cmdPrint", "&Print");
    QFont bold = cmdPrint->font();
    bold.setBold(true);
    cmdPrint->setFont(bold);
    cmdPrint->setDefault(true);
    cmdCancel = button("cmdCancel", "&Cancel");
    cmdCommand = button("cmdCommand", "Copy as co&mmand");
    cmdCommand->setToolTip(QStringLiteral("Copy the tarvel-batch command line that makes the same file"));
    lblAppend = label("lblAppend", AppendNote, false);
    lblAppend->setWordWrap(true);
    lblAppend->setAccessibleDescription(QStringLiteral("What printing does to the output file"));
    lblAppend->hide();
    // The headings name the texts below them for a screen reader.
    lblP->setBuddy(lblPrint);
    lblF->setBuddy(lblFont);

    // Positions and sizes in twips: left, top, width, height.
    m_places = {{lblP, {75, 75, 1440, 165}},          {lblPrint, {150, 300, 3540, 465}},
                {lblF, {75, 825, 1365, 240}},         {lblFont, {150, 1050, 3540, 315}},
                {cmdPSet, {75, 1425, 1815, 465}},     {cmdFont, {1950, 1425, 1740, 465}},
                {chkFootnote, {975, 1950, 2040, 375}}, {cmdPrint, {135, 2385, 2040, 690}},
                {cmdCancel, {2550, 2385, 990, 690}},  {cmdCommand, {135, 3165, 3405, 420}},
                {lblAppend, {75, ClientHeight, 3615, AppendNoteHeight}}};
    ArrangeControls();

    setTabOrder(cmdPrint, cmdPSet);
    setTabOrder(cmdPSet, cmdFont);
    setTabOrder(cmdFont, chkFootnote);
    setTabOrder(chkFootnote, cmdCancel);
    setTabOrder(cmdCancel, cmdCommand);
    cmdPrint->setFocus();

    connect(cmdPSet, &QPushButton::clicked, this, &frmPrint::cmdPSet_Click);
    connect(cmdFont, &QPushButton::clicked, this, &frmPrint::cmdFont_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmPrint::cmdPrint_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPrint::reject);
    connect(cmdCommand, &QPushButton::clicked, this, &frmPrint::cmdCommand_Click);
}

void frmPrint::Form_Load()
{
    namespace setting = tarvel::setting;
    const tarvel::SettingsStore &settings = m_context.settings;
    if (setting::PrintToFile.Read(settings).Flag()) {
        const std::string name = tarvel::TrimRight(setting::PrintFileName.Read(settings).Text());
        lblPrint->setText(PrintToFilePrefix + QString::fromLocal8Bit(name.c_str()));
    } else {
        lblPrint->setText(PrinterDisplayName(m_context.printer));
    }
    lblPrint->setToolTip(lblPrint->text());

    chkFootnote->setChecked(setting::PrintFootnote.Read(settings).Flag());

    std::string face = tarvel::TrimRight(setting::PrintFont.Read(settings).Text());
    if (!face.empty() && face.back() == '\0')
        face.pop_back();
    const std::string size = setting::PrintSize.Read(settings).Text();
    lblFont->setText(QString::fromStdString(face) + QLatin1Char(',') + QString::fromStdString(size));
    ShowAppendNote();
}

void frmPrint::ShowAppendNote()
{
    // A text or HTML file is added to, never replaced; a PDF is replaced
    // only when the user says so as the job starts.
    bool appends = false;
    const QString output = lblPrint->text();
    if (output.startsWith(PrintToFilePrefix)) {
        const std::string name = output.mid(PrintToFilePrefix.size()).trimmed().toLocal8Bit().toStdString();
        std::error_code ec;
        appends = !name.empty() && !IsPdfOutputName(name)
            && std::filesystem::is_regular_file(tarvel::ActualPath(name), ec);
    }
    lblAppend->setVisible(appends);
    ArrangeControls();
}

QSize frmPrint::RoomAsked(const QWidget &control, bool whole) const
{
    // The output label shortens a long path itself, on a second line.
    if (&control == lblPrint) {
        const QFontMetrics metrics(lblPrint->font());
        return {metrics.horizontalAdvance(PrintToFilePrefix), 2 * metrics.lineSpacing()};
    }
    if (&control == lblAppend)
        return {0, lblAppend->heightForWidth(lblAppend->width())};
    if (whole)
        return control.sizeHint();
    // What the text itself covers: its glyphs, and a button's margins.
    const QFontMetrics metrics(control.font());
    if (const auto *label = qobject_cast<const QLabel *>(&control)) {
        const QRect glyphs = metrics.tightBoundingRect(label->text());
        return {metrics.horizontalAdvance(label->text()), glyphs.height()};
    }
    if (const auto *button = qobject_cast<const QPushButton *>(&control)) {
        const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
            + 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        return {metrics.horizontalAdvance(QString(button->text()).remove(QLatin1Char('&'))) + 2 * margin,
                metrics.height()};
    }
    return control.sizeHint();
}

void frmPrint::ArrangeControls()
{
    // The controls stand in their places in twips while every text shows
    // whole there; a larger text makes every place, and the dialog, larger
    // by one factor, the least that gives each control all the room it
    // asks for. The dialog is as wide as its title needs, too.
    const auto box = [this](const QRect &twips) {
        return QSize(TwipsToPixelsX(twips.width(), this), TwipsToPixelsY(twips.height(), this));
    };
    const auto factor = [&](bool whole) {
        double scale = 1;
        for (const auto &[control, twips] : m_places) {
            if (control->isHidden())
                continue;
            const QSize room = box(twips);
            const QSize asked = RoomAsked(*control, whole);
            scale = std::max({scale, static_cast<double>(asked.width()) / room.width(),
                              static_cast<double>(asked.height()) / room.height()});
        }
        return scale;
    };
    const auto place = [this](double across, double down) {
        for (const auto &[control, twips] : m_places) {
            control->setGeometry(TwipsToPixelsX(twips.left() * across, this), TwipsToPixelsY(twips.top() * down, this),
                                 TwipsToPixelsX(twips.width() * across, this), TwipsToPixelsY(twips.height() * down, this));
        }
    };
    place(1, 1);
    double down = factor(false) > 1 ? factor(true) : 1;
    // The note wraps to the width it is given: it may ask for more again.
    for (int round = 0; round < 4 && down > 1; ++round) {
        place(down, down);
        down = std::max(down, factor(true));
    }
    const double across = std::max(down, static_cast<double>(TitleRoom(*this, windowTitle())) / TwipsToPixelsX(ClientWidth, this));
    place(across, down);
    const int height = ClientHeight + (lblAppend->isHidden() ? 0 : AppendNoteHeight + 75);
    setFixedSize(TwipsToPixelsX(ClientWidth * across, this), TwipsToPixelsY(height * down, this));
}

void frmPrint::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (!m_places.empty() && (event->type() == QEvent::FontChange || event->type() == QEvent::WindowTitleChange))
        ArrangeControls();
}

tarvel::PrintOptions frmPrint::StoredPrinterOptions(const tarvel::SettingsStore &settings,
                                                   tarvel::PrintOptions current)
{
    // The same readings as the dialog's labels and its Print button.
    namespace setting = tarvel::setting;
    std::string face = tarvel::TrimRight(setting::PrintFont.Read(settings).Text());
    if (!face.empty() && face.back() == '\0')
        face.pop_back();
    const long long size = tarvel::RoundHalfEven(tarvel::ReadLeadingNumber(setting::PrintSize.Read(settings).Text()));
    current.PrintToFile = false;
    current.PrintFontName = tarvel::TrimRight(face);
    current.PrintFontSize =
        size > 0 ? static_cast<int>(std::min<long long>(size, 32767)) : setting::PrintSize.DefaultNumber();
    current.IncludeFootnotes = setting::PrintFootnote.Read(settings).Flag();
    return current;
}

void frmPrint::cmdPSet_Click()
{
    QPrinter &printer = m_context.printer;
    Prompts &prompts = m_context.prompts;
    // The printer chosen here stays the printer of later jobs, even when
    // this dialog is cancelled afterwards. Jobs print whole windows: the
    // dialog opens on the selection, never a page range.
    printer.setPrintRange(QPrinter::Selection);
    if (!prompts.ChoosePrinter(printer))
        return;
    BusyCursor busy;

    // The printer dialog's "print to file" leaves the printer writing a file.
    if (!printer.outputFileName().isEmpty()) {
        tarvel::SettingsStore &settings = m_context.settings;
        int filter = tarvel::setting::PrintIndex.Read(settings).Number();
        if (filter < 1 || filter > SaveFilterCount)
            filter = 1;
        const QString shown = lblPrint->text();
        const QString start = shown.startsWith(PrintToFilePrefix) ? shown.mid(PrintToFilePrefix.size()).trimmed()
                                                                   : printer.outputFileName();
        // The dialog asks nothing of a file that exists: a text or HTML file
        // is added to (this dialog says so), and a PDF is replaced only when
        // the user agrees as the job starts.
        const std::optional<QString> name =
            prompts.SaveFileName(SaveTitle, start, SaveFilter, filter, Prompts::ExistingFile::Accept);
        if (!name)
            return;
        tarvel::setting::PrintIndex.Write(settings, FilterIndexOf(name->toLocal8Bit().toStdString()));
        lblPrint->setText(PrintToFilePrefix + *name);
    } else {
        lblPrint->setText(PrinterDisplayName(printer));
    }
    lblPrint->setToolTip(lblPrint->text());
    ShowAppendNote();
}

void frmPrint::cmdFont_Click()
{
    // The dialog opens with the font last chosen in any font dialog of the
    // program; before the first choice, with the font shown here.
    std::optional<QFont> &shared = m_context.fontChoice;
    QFont initial;
    if (shared) {
        initial = *shared;
    } else {
        const QString text = lblFont->text();
        const qsizetype comma = text.lastIndexOf(QLatin1Char(','));
        initial = QFont(text.left(std::max<qsizetype>(comma, 0)));
        const long long size = tarvel::RoundHalfEven(tarvel::ReadLeadingNumber(text.mid(comma + 1).toStdString()));
        if (size > 0 && size < 1000)
            initial.setPointSize(static_cast<int>(size));
    }
    const std::optional<QFont> font = m_context.prompts.ChooseFont(initial, true);
    if (!font)
        return;
    shared = *font;
    const double points = font->pointSizeF() > 0 ? font->pointSizeF() : 8.0;
    lblFont->setText(font->family() + QLatin1Char(',') + QString::number(tarvel::RoundHalfEven(points)));
    ArrangeControls();
}

tarvel::PrintOptions frmPrint::ChosenOptions() const
{
    tarvel::PrintOptions options = m_options;
    const QString output = lblPrint->text();
    const QString fontText = lblFont->text();
    const qsizetype comma = fontText.lastIndexOf(QLatin1Char(','));
    const std::string face = tarvel::TrimRight(fontText.left(std::max<qsizetype>(comma, 0)).toStdString());
    const long long size = tarvel::RoundHalfEven(tarvel::ReadLeadingNumber(fontText.mid(comma + 1).toStdString()));

    if (output.left(15) != PrintToFilePrefix.left(15)) {
        options.PrintToFile = false;
        // Without a comma the font in force stays.
        if (comma >= 0) {
            options.PrintFontName = face;
            options.PrintFontSize = static_cast<int>(std::clamp<long long>(size, 0, 32767));
        }
    } else {
        options.PrintToFile = true;
        options.PrintFileName = output.mid(15).trimmed().toLocal8Bit().toStdString();
        options.PrintFontSize = 8;
        // A PDF file is drawn as on paper: in the font and size shown here.
        if (IsPdfOutputName(options.PrintFileName) && comma >= 0 && !face.empty()) {
            options.PrintFontName = face;
            if (size > 0)
                options.PrintFontSize = static_cast<int>(std::min<long long>(size, 32767));
        }
    }
    options.IncludeFootnotes = chkFootnote->isChecked();
    return options;
}

void frmPrint::cmdPrint_Click()
{
    Prompts &prompts = m_context.prompts;
    if (m_context.unsuppressed) {
        prompts.Message(QString::fromLatin1(tarvel::UnsuppressedPrintTitle),
                        QString::fromLatin1(tarvel::UnsuppressedPrintText), QMessageBox::Warning);
    }
    namespace setting = tarvel::setting;
    tarvel::SettingsStore &settings = m_context.settings;
    const bool fontGiven = lblFont->text().contains(QLatin1Char(','));
    m_options = ChosenOptions();
    // The font is stored as for a printer: for a printer, and for a PDF
    // file drawn in it. The size without the leading blank of other numbers.
    const auto storeFont = [&] {
        setting::PrintFont.Write(settings, m_options.PrintFontName);
        setting::PrintSize.Write(settings, std::to_string(m_options.PrintFontSize));
    };
    if (!m_options.PrintToFile) {
        if (fontGiven)
            storeFont();
    } else {
        setting::PrintFileName.Write(settings, m_options.PrintFileName);
        if (IsPdfOutputName(m_options.PrintFileName) && fontGiven && !m_options.PrintFontName.empty())
            storeFont();
    }
    setting::PrintToFile.Write(settings, tarvel::SettingFlagText(m_options.PrintToFile));
    setting::PrintFootnote.Write(settings, tarvel::SettingFlagText(m_options.IncludeFootnotes));
    accept();
}

void frmPrint::cmdCommand_Click()
{
    // The command of the job as Print would run it now; the dialog stays open.
    const tarvel::BatchCommand command = m_context.command
        ? m_context.command(ChosenOptions())
        : tarvel::BatchCommand{{}, "There is no tarvel-batch command for this print: tarvel-batch prints "
                                   "tables to text and HTML files."};
    CopyBatchCommand(m_context.prompts, command, this);
}

void frmPrint::reject()
{
    m_options.PrintFontSize = 0;
    QDialog::reject();
}

QString frmPrint::ShownOutput() const
{
    return static_cast<const OutputLabel *>(lblPrint)->Shown();
}
