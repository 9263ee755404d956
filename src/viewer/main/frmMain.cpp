#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_text.h"

#include "core/settings/data_folder.h"
#include "core/settings/program_settings.h"
#include "viewer/selection/frmPickList.h"
#include "viewer/qt/qt_control_strip.h"
#include "viewer/qt/qt_drawn_icon.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_status_note.h"
#include "viewer/qt/qt_status_panel.h"
#include "viewer/qt/qt_twips.h"
#include "core/selection/selection.h"
#include "core/catalog/data_files.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/help/help_file.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

// Marker files in an empty folder name would be looked up in the working
// folder; an empty folder never holds the data.
bool HoldsData(const std::string &folder)
{
    return !folder.empty() && tarvel::DataFilesPresent(folder);
}

enum class ButtonIcon { Previous, Next, OneLine };

// The three picture buttons draw their own icons, so they look the same
// whatever icon theme the desktop has, in the colours of the palette:
// lines in the button text colour, the table on the base colour, the
// picked row and the arrows in the highlight colour.
QIcon MakeIcon(ButtonIcon kind, const QPalette &palette)
{
    const QColor line = palette.color(QPalette::ButtonText);
    const QColor paper = palette.color(QPalette::Base);
    const QColor mark = palette.color(QPalette::Highlight);
    return DrawnIcon([kind, line, paper, mark](QPainter &painter, double s) {
        if (kind == ButtonIcon::OneLine) {
            // A small table with its middle row picked out.
            painter.setPen(QPen(line, std::max(1.0, s / 24)));
            painter.setBrush(paper);
            const QRectF frame(s * 0.1, s * 0.15, s * 0.8, s * 0.7);
            painter.drawRect(frame);
            painter.fillRect(QRectF(frame.left(), frame.top() + frame.height() * 0.4, frame.width(),
                                    frame.height() * 0.2),
                             mark);
            for (double f : {0.2, 0.4, 0.6, 0.8}) {
                const double y = frame.top() + frame.height() * f;
                painter.drawLine(QPointF(frame.left(), y), QPointF(frame.right(), y));
            }
            painter.drawLine(QPointF(frame.left() + frame.width() * 0.3, frame.top()),
                             QPointF(frame.left() + frame.width() * 0.3, frame.bottom()));
        } else {
            const bool next = kind == ButtonIcon::Next;
            QPainterPath arrow;
            const double tip = next ? s * 0.85 : s * 0.15;
            const double back = next ? s * 0.25 : s * 0.75;
            arrow.moveTo(tip, s * 0.5);
            arrow.lineTo(back, s * 0.15);
            arrow.lineTo(back, s * 0.85);
            arrow.closeSubpath();
            painter.setPen(QPen(line, std::max(1.0, s / 24)));
            painter.setBrush(mark);
            painter.drawPath(arrow);
        }
    });
}

// The program's own icon keeps its colours whatever the desktop's are.
QPalette ProgramIconColours()
{
    QPalette palette;
    palette.setColor(QPalette::ButtonText, QColor(60, 60, 60));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(30, 90, 200));
    return palette;
}

} // namespace

frmMain::frmMain(Prompts &prompts, QWidget *parent)
    : QMainWindow(parent), m_prompts(prompts), m_settings(tarvel::SettingsStore::DefaultFile())
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orlandel"));
    // The program's icon, also shown by every child window.
    QApplication::setWindowIcon(MakeIcon(ButtonIcon::OneLine, ProgramIconColours()));
    m_state.ProgramFolder = tarvel::WithTrailingSlash(QCoreApplication::applicationDirPath().toLocal8Bit().toStdString());
    CreateControls();
    CreateStatusBar();
    CreateMenus();
    CreateChartCommands();
    CreateUnitsCommands();
    CreateKeyboardCommands();
    resize(1100, 760);
}

frmMain::~frmMain()
{
    // The MDI area and its windows outlive this part of the window: while
    // QWidget's destructor deletes them, closing them would still call our
    // slots on an object that is no longer a frmMain.
    if (m_mdi) {
        QObject::disconnect(m_mdi, nullptr, this, nullptr);
        for (QMdiSubWindow *window : m_mdi->subWindowList())
            QObject::disconnect(window, nullptr, this, nullptr);
    }
}

QRect frmMain::NormalGeometryOn(const QRect &available)
{
    // Room for a title bar above and a border around, as desktops draw them
    // outside the window's own area.
    constexpr int TitleRoom = 40;
    constexpr int Border = 8;
    return available.adjusted(Border, TitleRoom, -Border, -Border);
}

void frmMain::SetProgramFolder(const std::string &folder)
{
    m_state.ProgramFolder = tarvel::WithTrailingSlash(folder);
}

void frmMain::SetDataFolderCandidates(std::vector<std::string> candidates)
{
    m_candidates = std::move(candidates);
}

void frmMain::CreateControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    picMain = new QWidget(central);
    picMain->setObjectName(QStringLiteral("picMain"));
    picMain->setAutoFillBackground(true);
    auto *row = new QHBoxLayout(picMain);
    row->setContentsMargins(8, 4, 8, 6);
    row->setSpacing(10);

    // 1. the series groups
    fraSeries = new QGroupBox(QStringLiteral("1. Table"), picMain);
    fraSeries->setObjectName(QStringLiteral("fraSeries"));
    auto *seriesLayout = new QVBoxLayout(fraSeries);
    seriesLayout->setSpacing(2);
    for (int s = 0; s < tarvel::SeriesGroupCount; ++s) {
        auto *option = new QRadioButton(Latin1(tarvel::SeriesGroupCaption(s)), fraSeries);
        option->setObjectName(QStringLiteral("optSeries_%1").arg(s));
        // A click on the button already chosen changes nothing (it would
        // throw away a quarter choice).
        connect(option, &QRadioButton::clicked, this, [this, s] {
            if (s != m_chosenSeries)
                ChooseSeries(s);
        });
        seriesLayout->addWidget(option);
        optSeries[static_cast<std::size_t>(s)] = option;
    }
    row->addWidget(fraSeries);

    // 2. the tables of the chosen group; captions come with the group.
    fraTable = new QGroupBox(QStringLiteral("2. Specific table"), picMain);
    fraTable->setObjectName(QStringLiteral("fraTable"));
    auto *tableLayout = new QVBoxLayout(fraTable);
    tableLayout->setSpacing(2);
    int widest = 0;
    for (const std::string &code : tarvel::TableCodes())
        widest = std::max(widest, fontMetrics().horizontalAdvance(Latin1(tarvel::TableOptionCaption(code))));
    for (int t = 0; t < 3; ++t) {
        auto *option = new QRadioButton(fraTable);
        option->setObjectName(QStringLiteral("optTable_%1").arg(t));
        option->setMinimumWidth(widest + 30);
        // A hidden third button keeps its place, so the frame does not jump.
        QSizePolicy policy = option->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        option->setSizePolicy(policy);
        connect(option, &QRadioButton::clicked, this, [this, t] {
            if (t != m_chosenTable)
                ChooseTable(t);
        });
        tableLayout->addWidget(option);
        optTable[static_cast<std::size_t>(t)] = option;
    }
    tableLayout->addStretch(1);
    row->addWidget(fraTable);

    // 3. quarters and 4. areas
    auto *choice = new QVBoxLayout;
    choice->setSpacing(4);
    lblYears = new QLabel(QStringLiteral("3. Quarters"), picMain);
    lblYears->setObjectName(QStringLiteral("lblYears"));
    lblYears->setAutoFillBackground(true);
    cboYears = new QComboBox(picMain);
    cboYears->setObjectName(QStringLiteral("cboYears"));
    cboYears->setToolTip(QStringLiteral("Choose years"));
    cboYears->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cboYears->setMinimumContentsLength(34);
    cboYears->installEventFilter(this);
    cboYears->view()->installEventFilter(this);
    cboYears->view()->setAccessibleName(lblYears->text());
    // The wheel changes the quarter range only when the list has the focus,
    // never as the pointer passes over it (nor does it give the focus).
    cboYears->setFocusPolicy(Qt::StrongFocus);
    lblYears->setBuddy(cboYears);
    connect(cboYears, &QComboBox::activated, this, [this](int) { cboYears_Click(); });
    cmdStates = new QPushButton(QStringLiteral("4. Select States"), picMain);
    cmdStates->setObjectName(QStringLiteral("cmdStates"));
    cmdStates->setToolTip(QStringLiteral("Select States"));
    cmdStates->setMinimumSize(cmdStates->sizeHint().width() + 16, cmdStates->sizeHint().height() + 8);
    connect(cmdStates, &QPushButton::clicked, this, &frmMain::cmdStates_Click);
    choice->addWidget(lblYears);
    choice->addWidget(cboYears);
    choice->addSpacing(4);
    // "4. Select States" and the display buttons share a row below the
    // quarter list, which keeps the window narrow enough for a 1024-pixel
    // screen.
    auto *statesAndDisplay = new QHBoxLayout;
    statesAndDisplay->setSpacing(8);
    statesAndDisplay->addWidget(cmdStates, 0, Qt::AlignTop);
    statesAndDisplay->addStretch(1);
    choice->addLayout(statesAndDisplay);
    choice->addStretch(1);
    row->addLayout(choice);

    // 5. the display buttons
    fraDisplay = new QGroupBox(QStringLiteral("5. Display"), picMain);
    fraDisplay->setObjectName(QStringLiteral("fraDisplay"));
    auto *displayLayout = new QHBoxLayout(fraDisplay);
    displayLayout->setSpacing(4);
    displayLayout->setContentsMargins(6, 4, 6, 6);
    auto pictureButton = [this](const char *name, const char *tip) {
        auto *button = new QPushButton(fraDisplay);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(QString::fromLatin1(tip));
        // Without a caption a button would be read by its group's title.
        button->setAccessibleName(button->toolTip());
        button->setIconSize(QSize(24, 24));
        button->setFixedSize(38, 38);
        return button;
    };
    cmdPrev = pictureButton("cmdPrev", "Display previous area");
    cmdNext = pictureButton("cmdNext", "Display next area");
    cmdShowOneLine = pictureButton("cmdShowOneLine", "Display One Line");
    connect(cmdPrev, &QPushButton::clicked, this, &frmMain::cmdPrev_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmMain::cmdNext_Click);
    connect(cmdShowOneLine, &QPushButton::clicked, this, &frmMain::cmdShowOneLine_Click);
    displayLayout->addWidget(cmdPrev);
    displayLayout->addWidget(cmdNext);
    displayLayout->addWidget(cmdShowOneLine);
    // The one-line button comes and goes; the frame keeps its size.
    QSizePolicy keepPlace = cmdShowOneLine->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    cmdShowOneLine->setSizePolicy(keepPlace);
    DrawButtonIcons();
    statesAndDisplay->addWidget(fraDisplay, 0, Qt::AlignTop);
    row->addStretch(1);

    m_mdi = new QMdiArea(central);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &frmMain::QueueCaptionUpdate);

    // With large text the numbered controls may be wider than the window:
    // they then scroll sideways instead of running off its edge.
    outer->addWidget(new ControlStrip(picMain, central));
    outer->addWidget(m_mdi, 1);
    setCentralWidget(central);
}

void frmMain::DrawButtonIcons()
{
    cmdPrev->setIcon(MakeIcon(ButtonIcon::Previous, cmdPrev->palette()));
    cmdNext->setIcon(MakeIcon(ButtonIcon::Next, cmdNext->palette()));
    cmdShowOneLine->setIcon(MakeIcon(ButtonIcon::OneLine, cmdShowOneLine->palette()));
    if (cmdChart)
        DrawChartIcon();
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The desktop's colours changed: the picture buttons follow them.
    if (event->type() == QEvent::PaletteChange && cmdPrev)
        DrawButtonIcons();
}

void frmMain::CreateStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    const std::array<const char *, 4> texts{"ZR4, ZR1 Income summary", tarvel::NoTableText, tarvel::NoStatesText,
                                            tarvel::NoQuartersText};
    const std::array<const char *, 4> tips{"Table", "Table selection", "State selection", "Quarter selection"};
    const std::array<int, 4> stretch{4, 1, 2, 2};
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        // A panel too narrow for its text (large text, a small screen)
        // shortens it in the middle and shows it whole as its tooltip.
        auto *panel = new StatusPanel(QString::fromLatin1(texts[i]), bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setToolTip(QString::fromLatin1(tips[i]));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        bar->addWidget(panel, stretch[i]);
        m_panels[i] = panel;
    }
    lblNote = new StatusNote(bar);
    bar->addWidget(lblNote, 2);
    // Generated numbers must never pass for published ones.
    lblSampleData = new StatusPanel(QStringLiteral("Sample data - not published figures"), bar);
    lblSampleData->setObjectName(QStringLiteral("lblSampleData"));
    lblSampleData->setToolTip(QStringLiteral("The data folder is the sample data that comes with the program"));
    lblSampleData->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblSampleData->setContentsMargins(4, 0, 4, 0);
    QFont bold = lblSampleData->font();
    bold.setBold(true);
    lblSampleData->setFont(bold);
    lblSampleData->hide();
    bar->addPermanentWidget(lblSampleData);
}

QString frmMain::PanelText(int panel) const
{
    if (panel < 1 || panel > static_cast<int>(m_panels.size()))
        return {};
    return m_panels[static_cast<std::size_t>(panel - 1)]->text();
}

void frmMain::SetPanelText(int panel, const QString &text)
{
    if (panel >= 1 && panel <= static_cast<int>(m_panels.size()))
        m_panels[static_cast<std::size_t>(panel - 1)]->setText(text);
}

QFont frmMain::DisplayFont() const
{
    QFont font(Latin1(m_state.Display.FontName));
    font.setPointSize(m_state.Display.FontSize > 0 ? m_state.Display.FontSize : tarvel::DisplaySettings{}.FontSize);
    font.setBold(m_state.Display.FontBold);
    font.setItalic(m_state.Display.FontItalic);
    // Until the user chooses a font (first start, or after "Reset to
    // default") the grids follow the desktop's text size, never smaller
    // than the default; the stored font stays as it is.
    if (!DisplayFontChosen()) {
        const qreal desktop = QApplication::font().pointSizeF();
        if (desktop > font.pointSizeF())
            font.setPointSizeF(desktop);
    }
    return font;
}

bool frmMain::DisplayFontChosen() const
{
    const tarvel::DisplaySettings defaults;
    const tarvel::DisplaySettings &shown = m_state.Display;
    return shown.FontName != defaults.FontName || shown.FontSize != defaults.FontSize
        || shown.FontBold != defaults.FontBold || shown.FontItalic != defaults.FontItalic;
}

// ---- start-up and quit -------------------------------------------------------

void frmMain::Startup(const QStringList &arguments)
{
    std::vector<std::string> args;
    for (const QString &argument : arguments)
        args.push_back(argument.toLocal8Bit().toStdString());
    m_state.Unsuppressed = tarvel::UnsuppressedFromArguments(args);

    // A settings file that exists but cannot be read is left alone.
    if (m_settings.WasUnreadable()) {
        m_prompts.Message(QStringLiteral("Settings not read"),
                          QStringLiteral("The settings file %1 could not be read. Orlandel runs on its default "
                                         "settings this time and leaves that file as it is.")
                              .arg(QString::fromLocal8Bit(m_settings.File().string())),
                          QMessageBox::Warning);
    }

    // Another running instance was handed over to before this window was
    // built (main.cpp).
    const std::vector<std::string> candidates =
        m_candidates ? *m_candidates : tarvel::DataFolderCandidates(m_state.ProgramFolder);
    m_state.DataFolder =
        tarvel::LocateDataFolder(m_settings, m_state.ProgramFolder, candidates, [this](const std::string &folder) {
            m_rememberedFolderMissing = true;
            m_prompts.Message(QString::fromLatin1(tarvel::RememberedFolderMissingTitle),
                              QString::fromLocal8Bit(tarvel::RememberedFolderMissingText(folder).c_str()),
                              QMessageBox::Warning);
        });
    if (m_state.DataFolder.empty()) {
        m_prompts.Message(QStringLiteral("Files not found"),
                          QStringLiteral("The Orlandel files cannot be found. You will be prompted for the path to the files."),
                          QMessageBox::Warning);
        ChangeDataFolder();
    }

    if (!m_state.Unsuppressed) {
        if (HoldsData(m_state.DataFolder)) {
            if (MayRememberDataFolder())
                tarvel::setting::ZRPath.Write(m_settings, m_state.DataFolder);
        } else
            m_prompts.Message(QStringLiteral("TARVEL files not found"), QStringLiteral("The Orlandel files cannot be found."),
                              QMessageBox::Critical);
    }

    m_state.HelpFile = tarvel::LocateHelpFile(m_state.ProgramFolder, m_state.DataFolder);

    m_state.ViewForward = true;
    FillQuarterList(std::string(tarvel::StartupQuarterTable()));
    m_state.AreaSelected.fill(tarvel::NotChosen);

    ShowDataFolderKind();

    // The quick start opens by itself on the first start only.
    if (tarvel::setting::DisplayHelp.Read(m_settings).Flag()) {
        HelpQuickStart();
        tarvel::setting::DisplayHelp.Write(m_settings, tarvel::SettingFlagText(false));
    }

    ApplyDisplaySettings(tarvel::ReadDisplaySettings(m_settings));

    if (m_state.Unsuppressed)
        ShowUnsuppressedColours();

    optSeries[0]->setChecked(true);
    ChooseSeries(0);

    // No child window is open yet: the one-line command waits for a table view.
    UpdateOneLineCommand(nullptr);
}

void frmMain::ApplyDisplaySettings(const tarvel::DisplaySettings &settings)
{
    m_state.Display = settings;
    mnuReverse->setChecked(settings.Reverse);
}

void frmMain::ShowUnsuppressedColours()
{
    // Red on black is the visible sign that confidential values are shown.
    // The series frame and the option buttons take the panel's colours from
    // picMain; the lists and buttons keep their own so they stay readable.
    QPalette palette = picMain->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::red);
    palette.setColor(QPalette::Text, Qt::red);
    for (QWidget *widget : std::initializer_list<QWidget *>{picMain, fraTable, fraDisplay, fraUnits, lblYears}) {
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    }
    for (QWidget *widget :
         std::initializer_list<QWidget *>{cboYears, cmdStates, cmdPrev, cmdNext, cmdShowOneLine, cboUnits})
        widget->setPalette(QApplication::palette(widget));
}

void frmMain::SaveSettingsAndExit()
{
    if (m_settingsSaved)
        return;
    m_settingsSaved = true;
    {
        // One synced save for all of them, none when nothing changed.
        const tarvel::SettingsStore::DeferredSaves once(m_settings);

        tarvel::DisplaySettings settings = m_state.Display;
        settings.Reverse = mnuReverse->isChecked();
        tarvel::WriteDisplaySettings(m_settings, settings);

        // An unsuppressed run never changes the remembered folder.
        if (!m_state.Unsuppressed && HoldsData(m_state.DataFolder) && MayRememberDataFolder())
            tarvel::setting::ZRPath.Write(m_settings, m_state.DataFolder);
    }
    // Settings lost at quit are said so; the program quits all the same. A
    // file that could not be read was named at start-up and is left alone.
    if (!m_settings.LastSaveSucceeded() && !m_settings.WasUnreadable()) {
        m_prompts.Message(QString::fromLatin1(tarvel::SettingsNotSavedTitle),
                          QString::fromLocal8Bit(
                              tarvel::SettingsNotSavedText(m_settings.File().string(), m_settings.LastSaveError()).c_str()),
                          QMessageBox::Warning);
    }
}

bool frmMain::MayRememberDataFolder() const
{
    // A folder found only because the remembered one was missing, and the
    // sample data, are used for this run but never replace the remembered
    // folder; a folder the user typed does.
    if (m_dataFolderChosen)
        return true;
    return !m_rememberedFolderMissing && !ShowsSampleData();
}

bool frmMain::ShowsSampleData() const
{
    return tarvel::IsSampleDataFolder(m_state.DataFolder, m_state.ProgramFolder);
}

void frmMain::ShowDataFolderKind()
{
    const bool sample = ShowsSampleData();
    QString caption = m_state.Unsuppressed ? QStringLiteral("Orlandel ***UNSUPPRESSED*** ") : QStringLiteral("Orlandel");
    if (sample)
        caption += m_state.Unsuppressed ? QStringLiteral("- sample data") : QStringLiteral(" - sample data");
    m_caption = caption;
    UpdateMainCaption();
    lblSampleData->setVisible(sample);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    SaveSettingsAndExit();
    m_mdi->closeAllSubWindows();
    // Windows of the program that live outside the main window (the help
    // viewer) end with it.
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget != this && widget->isVisible() && widget->isWindow())
            widget->close();
    }
    event->accept();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // A screen reader may hand a key on after the program has acted on it:
    // the Enter that chose "Select quarters" in the list's popup would then
    // reach the closed popup and open the dialog a second time.
    // A maximized child window names itself in the caption again whenever
    // the caption changes: a change of the caption's own is kept from it.
    if (watched == this && event->type() == QEvent::WindowTitleChange && m_settingCaption)
        return true;
    if (watched == cboYears->view() && !cboYears->view()->isVisible()
        && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select)
            return true;
    }
    if (watched == cboYears && event->type() == QEvent::Wheel && !cboYears->hasFocus()) {
        event->ignore();
        return true;
    }
    // Ctrl+C in the quarter list is discarded; the list claims it before
    // the copy command's shortcut could take it.
    if (watched == cboYears && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->text() == QStringLiteral("\x03")
            || (key->key() == Qt::Key_C && (key->modifiers() & Qt::ControlModifier))) {
            key->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- series, table and quarters -------------------------------------------------

void frmMain::ChooseSeries(int series)
{
    if (series < 0 || series >= tarvel::SeriesGroupCount)
        return;
    for (QRadioButton *option : optTable)
        option->hide();
    const std::vector<std::string> tables = tarvel::SeriesGroupTables(series);
    for (std::size_t t = 0; t < tables.size() && t < optTable.size(); ++t) {
        optTable[t]->setText(Latin1(tarvel::TableOptionCaption(tables[t])));
        optTable[t]->show();
    }
    optSeries[static_cast<std::size_t>(series)]->setChecked(true);
    m_chosenSeries = series;
    SetPanelText(1, optSeries[static_cast<std::size_t>(series)]->text());
    optTable[0]->setChecked(true);
    ChooseTable(0);
}

void frmMain::ChooseTable(int table)
{
    if (table < 0 || table >= static_cast<int>(optTable.size()) || m_chosenSeries < 0)
        return;
    // The buttons show the series' tables in the catalog's order.
    const std::vector<std::string> tables = tarvel::SeriesGroupTables(m_chosenSeries);
    if (static_cast<std::size_t>(table) >= tables.size())
        return;
    const std::string code = tables[static_cast<std::size_t>(table)];
    m_chosenTable = table;
    m_state.TableCode = code;
    SetPanelText(2, Latin1(code));
    FillQuarterList(code);
    m_state.QuarterSelected = tarvel::EmptyQuarterFlags(code);
    // A new table always starts with its last four quarters.
    cboYears->setCurrentIndex(0);
    cboYears_Click();
}

void frmMain::FillQuarterList(const std::string &code)
{
    cboYears->clear();
    for (const std::string &entry : tarvel::QuarterListEntries(code))
        cboYears->addItem(Latin1(entry));
}

void frmMain::cboYears_Click()
{
    const int entry = cboYears->currentIndex();
    if (entry == tarvel::SelectQuartersEntry)
        RunQuarterPickList();
    else
        tarvel::ApplyQuarterEntry(m_state.QuarterSelected, entry, tarvel::QuarterCount(m_state.TableCode));
    ShowQuarterCount();
    // Back from "Select years" the list names its entry, not the count.
    if (entry == tarvel::SelectQuartersEntry)
        lblNote->Say(PanelText(4));
}

void frmMain::ChooseQuarters(tarvel::QuarterFlags chosen)
{
    m_state.QuarterSelected = std::move(chosen);
    ShowQuarterCount();
}

void frmMain::ShowQuarterCount()
{
    const int count = tarvel::CountChosen(m_state.QuarterSelected);
    SetPanelText(4, Latin1(tarvel::QuarterPanelText(count)));
    if (count == 0)
        cboYears->setCurrentIndex(-1);
}

void frmMain::RunQuarterPickList()
{
    const std::string &code = m_state.TableCode;
    const int quarters = tarvel::QuarterCount(code);
    frmPickList dialog(this);
    dialog.SetTag(frmPickList::Mode::Quarters);
    dialog.setWindowTitle(QStringLiteral("Select years"));
    dialog.resize(TwipsToPixelsX(4020, &dialog), dialog.height());
    dialog.SetListFont(DisplayFont());
    // The list starts from the current choice; nothing is cleared first.
    for (int k = 1; k <= quarters; ++k) {
        dialog.AddItem(Latin1(tarvel::QuarterLabel(k, code)));
        if (static_cast<std::size_t>(k) < m_state.QuarterSelected.size()
            && m_state.QuarterSelected[static_cast<std::size_t>(k)] != 0)
            dialog.SetItemSelected(k, true);
    }
    m_prompts.RunDialog(dialog);
    if (dialog.Result())
        m_state.QuarterSelected = tarvel::QuarterFlagsFromChoice(*dialog.Result(), quarters);
}

// ---- areas and the display buttons ----------------------------------------------

void frmMain::cmdStates_Click()
{
    frmPickList dialog(this);
    dialog.SetTag(frmPickList::Mode::Areas);
    dialog.setWindowTitle(QStringLiteral("States"));
    dialog.resize(TwipsToPixelsX(4020, &dialog), dialog.height());

    const std::string path = tarvel::AreaListFileName(m_state.Paths());
    const auto areas = tarvel::ReadAreaList(path);
    if (!areas) {
        // The dialog does not open and the earlier choice stays.
        tarvel::ReportFailure(m_prompts, areas.Error());
        return;
    }
    dialog.SetListFont(DisplayFont());
    for (std::size_t i = 0; i < areas->size(); ++i) {
        const tarvel::AreaRecord &area = (*areas)[i];
        dialog.AddItem(Latin1(tarvel::AreaPickItem(area)), Latin1(tarvel::AreaCodeItem(area)));
        if (i + 1 < m_state.AreaSelected.size() && m_state.AreaSelected[i + 1] != 0)
            dialog.SetItemSelected(static_cast<int>(i) + 1, true);
    }

    m_state.CurrentArea = 0;
    m_prompts.RunDialog(dialog);
    // Closing with the close box keeps the old flags; the status bar and the
    // current area are recomputed from them either way.
    ChooseAreas(dialog.Result() ? tarvel::AreaFlagsFromChoice(*dialog.Result()) : m_state.AreaSelected);
}

void frmMain::ChooseAreas(const tarvel::AreaFlags &chosen)
{
    m_state.AreaSelected = chosen;
    const tarvel::AreaChoiceSummary summary = tarvel::SummarizeAreaChoice(m_state.AreaSelected);
    m_state.CurrentArea = summary.currentArea;
    SetPanelText(3, Latin1(summary.panelText));
    // The focus is back on the button: the new count is said.
    lblNote->Say(Latin1(summary.panelText));
}

void frmMain::cmdNext_Click()
{
    m_state.ViewForward = true;
    RunDisplay();
}

void frmMain::cmdPrev_Click()
{
    m_state.ViewForward = false;
    RunDisplay();
}

void frmMain::cmdShowOneLine_Click()
{
    RunShowOneLine();
}
