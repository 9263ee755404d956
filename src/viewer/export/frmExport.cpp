#include "viewer/export/frmExport.h"
#include "viewer/qt/qt_text.h"

#include "viewer/qt/qt_batch_command.h"
#include "viewer/qt/qt_busy_cursor.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_title_room.h"
#include "viewer/qt/qt_toggle_list.h"
#include "viewer/qt/qt_twips.h"
#include "core/settings/program_settings.h"
#include "core/catalog/data_files.h"
#include "core/catalog/file_helpers.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace {

QString Local(const std::string &path)
{
    return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}

// The notes of the first two pages are shown line by line as written
// (the formats' own with them), each line keeping its trailing blank; the
// output note is one paragraph that wraps.
const char *const InsertNote =
    "Select any of the above to insert into the output file(s). A header record \n"
    "is recommended. Area names and line titles will be inserted as separate \n"
    "columns. Quotes are desireable because the text values will be imported \n"
    "as text, not numbers; however, some spreadsheet applications consider \n"
    "a quote to be a delimiter, so importing without quotes would be better in \n"
    "that situation.";
const char *const OutputNote =
    "Select an output location by pressing the folder button above. If you are exporting to one file for all "
    "areas, you will need to provide a file name. If you are exporting to one file per State you will need to "
    "specify an output folder only; do not change the file name.";

const char *const FolderFilter = "Folders (*)";

// The save dialog's filters: "All files" (which keeps every name on this
// platform, where "*.*" would hide names without an extension), then the
// formats' file types.
QString FileFilter()
{
    QString filter = QStringLiteral("All files (*)");
    for (const std::string_view type : tarvel::ExportFileTypes())
        filter += QStringLiteral(";;") + QString::fromLatin1(type.data(), static_cast<qsizetype>(type.size()));
    return filter;
}

QString Latin1View(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

const tarvel::ExportFormatInfo &FormatOfButton(int index)
{
    return tarvel::FormatInfo(tarvel::ExportFormatAt(index).value_or(tarvel::ExportFormat::Comma));
}

QPlainTextEdit *NoteBox(QWidget *parent, const char *name, const char *spokenName, std::string_view text, bool wrap)
{
    auto *box = new QPlainTextEdit(Latin1View(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setFrameShape(QFrame::NoFrame);
    box->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The Tab key reaches the note, and a screen reader reads it line by
    // line; its page also carries it as its description.
    box->setFocusPolicy(Qt::StrongFocus);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setAccessibleName(QString::fromLatin1(spokenName));
    box->setTabChangesFocus(true);
    parent->setAccessibleDescription(box->toPlainText());
    // A note reads like the page behind it, not like an entry field.
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    box->setPalette(palette);
    const int lines = wrap ? 4 : static_cast<int>(box->toPlainText().count(QLatin1Char('\n'))) + 1;
    box->setFixedHeight(box->fontMetrics().lineSpacing() * lines + 12);
    return box;
}

template <class T>
T *Named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

frmExport::frmExport(Prompts &prompts, tarvel::SettingsStore &settings, tarvel::ExportSelection selection,
                     std::string tableCode, QWidget *parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_settings(settings)
    , m_selection(std::move(selection))
    , m_code(std::move(tableCode))
{
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("Export"));
    setModal(true);
    CreatePages();

    // Loading: the saved choices, then the line titles of the table.
    SetOptions(tarvel::ReadExportChoices(m_settings));
    pbExport->hide();
    pbExport->setEnabled(false);
    LoadLineTitles();
    // Page 1 shows also when the list could not be filled, so the page
    // buttons are never left in a half state.
    TabClicked(1);
}

frmExport::~frmExport() = default;

void frmExport::CreatePages()
{
    tabExport = Named(new QTabBar(this), "tabExport");
    tabExport->setExpanding(false);
    tabExport->setDrawBase(false);
    tabExport->setUsesScrollButtons(false);
    tabExport->setAccessibleName(QStringLiteral("Export steps"));
    for (const char *caption : {"Record Format", "Inserted Text Fields", "Records to Export", "Output Location"})
        tabExport->addTab(QString::fromLatin1(caption));

    m_pages = new QStackedWidget(this);
    m_pages->setFrameShape(QFrame::StyledPanel);
    for (std::size_t i = 0; i < fraExport.size(); ++i) {
        fraExport[i] = new QFrame(m_pages);
        fraExport[i]->setObjectName(QStringLiteral("fraExport_%1").arg(i));
        fraExport[i]->setAccessibleName(tabExport->tabText(static_cast<int>(i)));
        m_pages->addWidget(fraExport[i]);
    }

    // Page 1: the record format.
    {
        auto *layout = new QVBoxLayout(fraExport[0]);
        m_formatGroup = new QButtonGroup(this);
        for (std::size_t i = 0; i < optCopy.size(); ++i) {
            optCopy[i] = new QRadioButton(Latin1View(tarvel::ExportFormats()[i].WizardCaption), fraExport[0]);
            optCopy[i]->setObjectName(QStringLiteral("optCopy_%1").arg(i));
            m_formatGroup->addButton(optCopy[i], static_cast<int>(i));
            layout->addWidget(optCopy[i]);
        }
        layout->addStretch(1);
        txtRecordFormat = NoteBox(fraExport[0], "txtRecordFormat", "Note on the record formats",
                                  tarvel::ExportFormats().front().WizardNote, false);
        layout->addWidget(txtRecordFormat);
        connect(m_formatGroup, &QButtonGroup::idClicked, this, &frmExport::optCopy_Click);
    }

    // Page 2: the text fields inserted into each record.
    {
        auto *layout = new QVBoxLayout(fraExport[1]);
        chkHeader = Named(new QCheckBox(QStringLiteral("Include a header record"), fraExport[1]), "chkHeader");
        chkAreaName = Named(new QCheckBox(QStringLiteral("Insert area names"), fraExport[1]), "chkAreaName");
        chkLineTitle = Named(new QCheckBox(QStringLiteral("Insert line titles"), fraExport[1]), "chkLineTitle");
        chkQuote = Named(new QCheckBox(QStringLiteral("Quotes around text fields"), fraExport[1]), "chkQuote");
        for (QCheckBox *box : {chkHeader, chkAreaName, chkLineTitle, chkQuote})
            layout->addWidget(box);
        layout->addStretch(1);
        txtInsert = NoteBox(fraExport[1], "txtInsert", "Note on the inserted text fields", InsertNote, false);
        layout->addWidget(txtInsert);
    }

    // Page 3: the data lines (records) to export.
    {
        auto *layout = new QHBoxLayout(fraExport[2]);
        // A click or Space toggles an item, so any set of lines can be picked.
        lstExport = Named(new ToggleList(fraExport[2]), "lstExport");
        lstExport->setAccessibleName(tabExport->tabText(2));
        layout->addWidget(lstExport, 1);
        auto *buttons = new QVBoxLayout;
        cmdAll = Named(new QPushButton(QStringLiteral("&All"), fraExport[2]), "cmdAll");
        cmdClear = Named(new QPushButton(QStringLiteral("&Clear"), fraExport[2]), "cmdClear");
        for (QPushButton *button : {cmdAll, cmdClear}) {
            button->setAutoDefault(false);
            buttons->addWidget(button);
        }
        buttons->addStretch(1);
        layout->addLayout(buttons);
        connect(cmdAll, &QPushButton::clicked, lstExport, &QListWidget::selectAll);
        connect(cmdClear, &QPushButton::clicked, lstExport, &QListWidget::clearSelection);
    }

    // Page 4: where the output goes.
    {
        auto *layout = new QGridLayout(fraExport[3]);
        lblOP = Named(new QLabel(QStringLiteral("Output:"), fraExport[3]), "lblOP");
        m_outputGroup = new QButtonGroup(this);
        optOP[0] = Named(new QRadioButton(QStringLiteral("One output file for all areas"), fraExport[3]), "optOP_0");
        optOP[1] = Named(new QRadioButton(QStringLiteral("One output file per State (multiple output files)"),
                                          fraExport[3]),
                         "optOP_1");
        m_outputGroup->addButton(optOP[0], 0);
        m_outputGroup->addButton(optOP[1], 1);
        lblOP->setBuddy(optOP[0]);
        layout->addWidget(lblOP, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
        layout->addWidget(optOP[0], 0, 1, 1, 2);
        layout->addWidget(optOP[1], 1, 1, 1, 2);

        txtFileName = Named(new QLineEdit(fraExport[3]), "txtFileName");
        cmdChange = Named(new QToolButton(fraExport[3]), "cmdChange");
        cmdChange->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        cmdChange->setIconSize(QSize(20, 20));
        cmdChange->setToolTip(QStringLiteral("Choose the output file or folder"));
        cmdChange->setAccessibleName(cmdChange->toolTip());
        txtFileName->setAccessibleName(QStringLiteral("Output file or folder"));
        layout->addWidget(txtFileName, 2, 0, 1, 2);
        layout->addWidget(cmdChange, 2, 2);

        chkAppend = Named(new QCheckBox(QStringLiteral("Append to existing files"), fraExport[3]), "chkAppend");
        chkFoot = Named(new QCheckBox(QStringLiteral("Include footnotes"), fraExport[3]), "chkFoot");
        layout->addWidget(chkAppend, 3, 0, 1, 3);
        layout->addWidget(chkFoot, 4, 0, 1, 3);
        layout->setRowStretch(5, 1);
        txtOP = NoteBox(fraExport[3], "txtOP", "Note on the output location", OutputNote, true);
        layout->addWidget(txtOP, 6, 0, 1, 3);
        layout->setColumnStretch(1, 1);
        connect(cmdChange, &QToolButton::clicked, this, &frmExport::cmdChange_Click);
    }

    pbExport = Named(new QProgressBar(this), "pbExport");
    pbExport->setTextVisible(false);
    cmdPrevious = Named(new QPushButton(QStringLiteral("&Previous"), this), "cmdPrevious");
    cmdNext = Named(new QPushButton(QStringLiteral("&Next"), this), "cmdNext");
    cmdOK = Named(new QPushButton(QStringLiteral("&Export"), this), "cmdOK");
    cmdCommand = Named(new QPushButton(QStringLiteral("Copy as co&mmand"), this), "cmdCommand");
    cmdCommand->setToolTip(QStringLiteral("Copy the tarvel-batch command line that makes the same export"));
    for (QPushButton *button : {cmdPrevious, cmdNext, cmdOK, cmdCommand})
        button->setAutoDefault(false);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(cmdCommand);
    bottom->addSpacing(12);
    bottom->addWidget(pbExport, 1);
    bottom->addWidget(cmdPrevious);
    bottom->addWidget(cmdNext);
    bottom->addSpacing(12);
    bottom->addWidget(cmdOK);

    auto *main = new QVBoxLayout(this);
    main->setSpacing(0);
    main->addWidget(tabExport);
    main->addWidget(m_pages, 1);
    main->addSpacing(10);
    main->addLayout(bottom);

    connect(tabExport, &QTabBar::currentChanged, this, [this](int index) { TabClicked(index + 1); });
    connect(cmdNext, &QPushButton::clicked, this, &frmExport::cmdNext_Click);
    connect(cmdPrevious, &QPushButton::clicked, this, &frmExport::cmdPrevious_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmExport::cmdOK_Click);
    connect(cmdCommand, &QPushButton::clicked, this, &frmExport::cmdCommand_Click);

    // Wide enough for every tab and for the notes' longest line.
    QStringList noteLines = QString::fromLatin1(InsertNote).split(QLatin1Char('\n'));
    for (const tarvel::ExportFormatInfo &format : tarvel::ExportFormats())
        noteLines += Latin1View(format.WizardNote).split(QLatin1Char('\n'));
    int noteWidth = 0;
    for (const QString &line : noteLines)
        noteWidth = std::max(noteWidth, txtInsert->fontMetrics().horizontalAdvance(line));
    const int width = std::max({TwipsToPixelsX(7200, this), noteWidth + 60, tabExport->sizeHint().width() + 30});
    resize(width, TwipsToPixelsY(5400, this));
    KeepTitleWhole(*this);
}

void frmExport::LoadLineTitles()
{
    BusyCursor busy;
    const std::string path = tarvel::LineTitleFileName(m_selection.Paths, m_code);
    const auto titles = tarvel::ReadLineTitlesForExport(path, m_code);
    if (!titles) {
        // The wizard still opens, with an empty list.
        tarvel::ReportFailure(m_prompts, titles.Error());
        return;
    }
    for (const std::string &title : *titles)
        lstExport->addItem(Latin1(title));
}

void frmExport::SetOptions(const tarvel::ExportOptions &options)
{
    const int format = static_cast<int>(FormatOfButton(static_cast<int>(options.Format)).Format);
    optCopy[static_cast<std::size_t>(format)]->setChecked(true);
    optOP[options.Output == tarvel::ExportOutput::FilePerArea ? 1 : 0]->setChecked(true);
    chkHeader->setChecked(options.Header);
    chkAreaName->setChecked(options.AreaName);
    chkLineTitle->setChecked(options.LineTitle);
    chkQuote->setChecked(options.Quote);
    chkAppend->setChecked(options.Append);
    chkFoot->setChecked(options.Footnotes);
    txtFileName->setText(Local(options.FileName));
    ShowFormat(format);
}

tarvel::ExportOptions frmExport::Options() const
{
    tarvel::ExportOptions options;
    options.TableCode = m_code;
    options.Format = FormatOfButton(m_formatGroup->checkedId()).Format;
    options.Output = m_outputGroup->checkedId() == 1 ? tarvel::ExportOutput::FilePerArea
                                                      : tarvel::ExportOutput::OneFile;
    options.Header = chkHeader->isChecked();
    options.LineTitle = chkLineTitle->isChecked();
    options.AreaName = chkAreaName->isChecked();
    options.Quote = chkQuote->isChecked();
    options.Append = chkAppend->isChecked();
    options.Footnotes = chkFoot->isChecked();
    options.FileName = txtFileName->text().toLocal8Bit().toStdString();
    for (int i = 0; i < lstExport->count(); ++i) {
        const QListWidgetItem *item = lstExport->item(i);
        options.Lines.push_back({item->text().toLatin1().toStdString(), item->isSelected()});
    }
    return options;
}

// ---- pages ---------------------------------------------------------------------------

void frmExport::TabClicked(int page)
{
    if (page < 1 || page > PageCount || page == m_page)
        return;
    m_pages->setCurrentWidget(fraExport[static_cast<std::size_t>(page - 1)]);
    m_page = page;
    cmdPrevious->setEnabled(page != 1);
    cmdNext->setEnabled(page != PageCount);
    if (tabExport->currentIndex() != page - 1) {
        const QSignalBlocker quiet(tabExport);
        tabExport->setCurrentIndex(page - 1);
    }
}

void frmExport::GoToPage(int page)
{
    if (page >= 1 && page <= PageCount)
        tabExport->setCurrentIndex(page - 1);
}

void frmExport::cmdNext_Click()
{
    if (m_page + 1 <= PageCount)
        GoToPage(m_page + 1);
}

void frmExport::cmdPrevious_Click()
{
    if (m_page - 1 >= 1)
        GoToPage(m_page - 1);
}

// ---- controls --------------------------------------------------------------------------

void frmExport::optCopy_Click(int index)
{
    ShowFormat(index);
    FitNameToFormat(true);
}

void frmExport::FitNameToFormat(bool formatChanged)
{
    // A folder of per-area files has no extension to fit; "-no..." is no name.
    const QString name = txtFileName->text();
    if (m_outputGroup->checkedId() == 1 || name.startsWith(QLatin1Char('-')))
        return;
    const std::string typed = name.toLocal8Bit().toStdString();
    const bool none = tarvel::FileNameExtension(typed).empty();
    if (!formatChanged && !none)
        return;
    // A file that is there under a name without an extension (a device, a
    // pipe, a file so named) is the one meant.
    std::error_code ec;
    if (none && std::filesystem::exists(tarvel::ActualPath(typed), ec))
        return;
    const std::string fitted = tarvel::NameForFormat(typed, FormatOfButton(m_formatGroup->checkedId()).Format);
    if (fitted != typed)
        txtFileName->setText(Local(fitted));
}

void frmExport::ShowFormat(int index)
{
    // A format that never quotes or is never appended to disables its box;
    // the tick itself is kept.
    const tarvel::ExportFormatInfo &format = FormatOfButton(index);
    chkQuote->setEnabled(format.Quotes);
    chkAppend->setEnabled(format.Appends);
    const QString note = Latin1View(format.WizardNote);
    if (txtRecordFormat->toPlainText() != note) {
        txtRecordFormat->setPlainText(note);
        fraExport[0]->setAccessibleDescription(txtRecordFormat->toPlainText());
    }
}

void frmExport::cmdChange_Click()
{
    const QString current = txtFileName->text();
    const bool haveName = !current.isEmpty() && !tarvel::NamesNoFile(current.toStdString());
    if (m_outputGroup->checkedId() == 1) {
        // A file dialog picks the folder: the user keeps the proposed name
        // and the folder is what stands before it.
        QString start = QString::fromLatin1(ChooseFolderName);
        if (haveName)
            start = current.left(current.lastIndexOf(QLatin1Char('/')) + 1) + start;
        int filter = 1;
        const std::optional<QString> answer =
            m_prompts.SaveFileName(QStringLiteral("Select a Folder to receive export output"), start,
                                   QString::fromLatin1(FolderFilter), filter);
        if (!answer)
            return;
        const qsizetype at = answer->indexOf(QStringLiteral("choose_folder"));
        if (at >= 0)
            txtFileName->setText(answer->left(at));
        return;
    }

    // A format with a file type of its own (the workbook) is offered under
    // it; "Index" keeps the filter last chosen for the others, at first the
    // default format's.
    const tarvel::ExportFormatInfo &format = FormatOfButton(m_formatGroup->checkedId());
    const int defaultFilter = tarvel::FileTypeIndex(tarvel::ExportOptions().Format);
    const tarvel::SettingRead index = tarvel::setting::ExportIndex.Read(m_settings);
    int filter = index.Found() ? index.Number() : defaultFilter;
    if (filter < 1 || filter > static_cast<int>(tarvel::ExportFileTypes().size()) + 1)
        filter = defaultFilter;
    if (format.OwnFileType)
        filter = tarvel::FileTypeIndex(format.Format);
    const std::optional<QString> answer = m_prompts.SaveFileName(
        QStringLiteral("Select a file to receive export output"), haveName ? current : QString(), FileFilter(), filter);
    if (!answer)
        return;
    if (!format.OwnFileType)
        tarvel::setting::ExportIndex.Write(m_settings, filter);
    txtFileName->setText(*answer);
    FitNameToFormat(false);
}

void frmExport::Refuse(const char *title, const char *text, int page)
{
    m_prompts.Message(QString::fromLatin1(title), QString::fromLatin1(text), QMessageBox::Information);
    GoToPage(page);
}

void frmExport::cmdOK_Click()
{
    if (lstExport->selectedItems().isEmpty()) {
        Refuse("No line titles selected",
               "No records (line titles) selected for export. Please select at least one.", 3);
        return;
    }
    const bool perArea = m_outputGroup->checkedId() == 1;
    const QString name = txtFileName->text();
    const bool folderName = name.endsWith(QLatin1Char('/'));
    if (!perArea && folderName) {
        Refuse("Select output file", "Please select an output file", 4);
        return;
    }
    if (perArea && !folderName) {
        Refuse("Select output folder", "Please select an output folder.", 4);
        return;
    }
    if (m_selection.Paths.Unsuppressed) {
        m_prompts.Message(QString::fromLatin1(tarvel::UnsuppressedExportTitle),
                          QString::fromLatin1(tarvel::UnsuppressedExportText), QMessageBox::Warning);
    }
    if (tarvel::NamesNoFile(name.toStdString()) || (!perArea && name.isEmpty())) {
        if (perArea)
            Refuse("No output directory selected", "Select an output directory. Click on the folder button.", 4);
        else
            Refuse("No file selected", "Select an output file name. Click on the folder button.", 4);
        return;
    }
    FitNameToFormat(false);
    StartExport();
}

void frmExport::cmdCommand_Click()
{
    // The command of the choices as Export would take them; nothing is saved.
    CopyBatchCommand(m_prompts, tarvel::ExportCommand(ViewerBatchCommandBase(), Options(), m_selection), this);
}

void frmExport::StartExport()
{
    const tarvel::ExportOptions options = Options();
    tarvel::ExportResult result;
    {
        BusyCursor busy;
        int selected = 0;
        for (const tarvel::ExportLine &line : options.Lines)
            selected += line.selected ? 1 : 0;
        int areas = 0;
        for (std::size_t a = 1; a < m_selection.AreaSelected.size(); ++a)
            areas += m_selection.AreaSelected[a] != 0 ? 1 : 0;
        pbExport->setRange(0, std::max(1, selected * std::max(1, areas)));
        pbExport->setValue(0);
        pbExport->setEnabled(true);
        pbExport->show();
        // The writer reports the records it really writes (one pass for
        // ZR1), so the bar ends full.
        result = tarvel::RunExport(options, m_selection, &m_settings, [this](int done, int total) {
            if (total > 0 && pbExport->maximum() != total)
                pbExport->setMaximum(total);
            pbExport->setValue(done);
        });
    }

    if (!result.Completed()) {
        // The run ended early: nothing was saved and the wizard stays open.
        pbExport->hide();
        pbExport->setEnabled(false);
        tarvel::ReportExportFailure(m_prompts, result);
        return;
    }
    if (result.footnotesTurnedOff)
        chkFoot->setChecked(false);
    m_completed = true;

    const QString title = QString::fromLatin1(tarvel::ExportCompletedTitle);
    if (options.Output == tarvel::ExportOutput::FilePerArea) {
        m_prompts.Message(title, QString::fromLatin1(tarvel::ExportCompletedText), QMessageBox::Information);
    } else {
        const QString question = Local(tarvel::ExportOpenFileQuestion(options.FileName));
        if (m_prompts.Message(title, question, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes)
            OpenWithAssociatedApp(m_prompts, Local(options.FileName), true);
    }
    accept();
}
