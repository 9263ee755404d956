// The main window's document and help commands: the Documentation menu,
// the help viewer, the web site and the About box.
#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_text.h"

#include "viewer/qt/qt_busy_cursor.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_twips.h"
#include "core/catalog/file_helpers.h"
#include "core/help/about_text.h"
#include "core/help/documents.h"
#include "viewer/help/frmDoc.h"
#include "core/help/help_file.h"
#include "viewer/help/qt_help.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

// The document window already open for request (the same caption, so the
// same file), brought forward; nullptr when there is none.
frmDoc *BringDocumentForward(frmMain &window, const tarvel::DocumentRequest &request)
{
    if (window.State().PrintAllMode)
        return nullptr;
    for (QMdiSubWindow *sub : window.MdiArea()->subWindowList()) {
        auto *document = qobject_cast<frmDoc *>(sub->widget());
        if (!document || document->Tag() != tarvel::ChildKind::Document || document->Caption() != request.Caption)
            continue;
        if (sub->isMinimized())
            sub->showNormal();
        window.MdiArea()->setActiveSubWindow(sub);
        return document;
    }
    return nullptr;
}

// A new document window for request, shown at the default window size; its
// text is read afterwards, so a file that cannot be read leaves it empty.
frmDoc *OpenDocumentWindow(frmMain &window, const tarvel::DocumentRequest &request)
{
    const tarvel::ProgramState &state = window.State();
    QMdiArea *area = window.MdiArea();
    auto *document = new frmDoc(state.PrintAllMode);
    document->SetCaption(request.Caption);
    if (request.DisplayFont) {
        // In the desktop's text size while no font is chosen, as the grids.
        const QFont font = window.DisplayFont();
        document->SetTextFont(font.family(), font.pointSize());
    }
    if (request.Unsuppressed)
        document->ShowUnsuppressedColours();
    document->Show(*area, QSize(TwipsToPixelsX(state.Display.DefaultWindowWidth, area),
                                TwipsToPixelsY(state.Display.DefaultWindowHeight, area)));
    return document;
}

void LoadDocument(frmMain &window, frmDoc &document, const std::string &path)
{
    std::optional<std::string> text = tarvel::ReadWholeFile(path);
    if (!text) {
        tarvel::ReportFailure(window.UserPrompts(), tarvel::NotReadable(path));
        return;
    }
    document.SetText(std::move(*text));
}

} // namespace

// ---- help viewer ------------------------------------------------------------------------

std::shared_ptr<HelpViewer> frmMain::CreateHelpViewer(frmMain &window)
{
    auto viewer = std::make_shared<HelpViewer>(
        [&window] {
            const tarvel::ProgramState &state = window.m_state;
            // The data folder may have changed since start-up.
            return state.HelpFile.empty() || !tarvel::FileExists(state.HelpFile)
                ? tarvel::LocateHelpFile(state.ProgramFolder, state.DataFolder)
                : state.HelpFile;
        },
        window.m_prompts, &window);
    // The real prompts show the help through this viewer; the handlers hold
    // it weakly, so prompts that outlive the window ask nothing of it.
    if (auto *qtPrompts = dynamic_cast<QtPrompts *>(&window.m_prompts)) {
        std::weak_ptr<HelpViewer> weak = viewer;
        qtPrompts->SetHelpHandler(
            [weak](int topic) {
                if (const auto shown = weak.lock())
                    shown->ShowTopic(topic);
            },
            [weak](const QString &keyword) {
                if (const auto shown = weak.lock())
                    shown->Search(keyword);
            });
    }
    return viewer;
}

// ---- documents ------------------------------------------------------------------------

void frmMain::ShowFootnotes(tarvel::TableDocument which)
{
    if (!tarvel::TableChosen(m_state))
        return;
    const tarvel::DocumentRequest request = tarvel::FootnoteDocument(m_state.Paths(), m_state.TableCode, which);
    // A window already open comes forward; one left empty by a file that
    // could not be read tries the file again.
    frmDoc *document = BringDocumentForward(*this, request);
    if (document && !document->Text().empty())
        return;
    if (!document)
        document = OpenDocumentWindow(*this, request);
    LoadDocument(*this, *document, request.Path);
}

void frmMain::ShowDocument(tarvel::DataDocument which)
{
    // None of these is shown in unsuppressed mode.
    const std::optional<tarvel::DocumentRequest> request = tarvel::Documentation(m_state.Paths(), which);
    if (!request)
        return;
    frmDoc *document = BringDocumentForward(*this, *request);
    if (document && !document->Text().empty())
        return;
    std::optional<std::string> text;
    {
        BusyCursor busy;
        if (!document)
            document = OpenDocumentWindow(*this, *request);
        text = tarvel::ReadWholeFile(request->Path);
    }
    // The warning comes with the normal pointer back.
    if (!text) {
        tarvel::ReportFailure(m_prompts, tarvel::NotReadable(request->Path));
        return;
    }
    document->SetText(std::move(*text));
}

// ---- help, web site, About ----------------------------------------------------------------

void frmMain::HelpQuickStart()
{
    m_prompts.ShowHelp(8);
}

void frmMain::HelpContents()
{
    // Topic 0 asks the help viewer for its contents page.
    m_prompts.ShowHelp(0);
}

void frmMain::HelpIndex()
{
    m_prompts.ShowHelp(23);
}

void frmMain::HelpSearch()
{
    m_prompts.SearchHelp(QString());
}

void frmMain::OpenWebSite()
{
    // Without a web site the documentation installed with the program
    // stands in: the help's contents.
    const QString address = QString::fromLatin1(tarvel::WebSiteAddress);
    if (address.isEmpty())
        m_prompts.ShowHelp(0);
    else
        OpenWithAssociatedApp(m_prompts, address, false);
}

void frmMain::ShowAbout()
{
    // The text's CR LF line ends become the message box's own.
    // The version, the licence, then where this run's files are.
    const std::string help = m_state.HelpFile.empty()
        ? tarvel::LocateHelpFile(m_state.ProgramFolder, m_state.DataFolder)
        : m_state.HelpFile;
    QString text = Latin1(tarvel::AboutText()) + QStringLiteral("\r\n\r\n")
        + Latin1(tarvel::AboutLicenceText()) + QStringLiteral("\r\n\r\n")
        + QString::fromLocal8Bit(tarvel::AboutLocationsText(
            ShowsSampleData() ? m_state.DataFolder + " (sample data)" : m_state.DataFolder,
            m_settings.File().string(), help));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_prompts.Message(QString::fromLatin1(tarvel::AboutTitle), text, QMessageBox::Information);
}

