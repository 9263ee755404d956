#include "core/export/export_writer.h"

#include "core/settings/program_settings.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/safe_output_file.h"
#include "core/catalog/table_catalog.h"
#include "core/export/workbook_writer.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <system_error>
#include <utility>

namespace tarvel {

namespace {

namespace fs = std::filesystem;

constexpr const char *CrLf = "\r\n";

ExportResult Refusal(MessageIcon icon, std::string title, std::string text)
{
    ExportResult result;
    result.status = ExportStatus::Refused;
    result.icon = icon;
    result.title = std::move(title);
    result.text = std::move(text);
    return result;
}

// A table whose lines are the areas (ZR1) holds every area in one block.
bool LinesAreAreas(std::string_view code)
{
    return ShapeOf(code) == TableShape::AreaRows;
}

bool Flagged(const std::vector<std::uint8_t> &flags, std::size_t index)
{
    return index < flags.size() && flags[index] != 0;
}

// The exported quarters: every selected one, oldest first.
std::vector<int> ExportedQuarters(const std::string &code, const std::vector<std::uint8_t> &selected)
{
    std::vector<int> quarters;
    for (int k = 1; k <= QuarterCount(code); ++k) {
        if (Flagged(selected, static_cast<std::size_t>(k)))
            quarters.push_back(k);
    }
    return quarters;
}

// A table whose data lines are the areas makes one pass only.
std::vector<int> ExportedAreas(const std::string &code, const ExportSelection &selection)
{
    if (LinesAreAreas(code))
        return {1};
    std::vector<int> areas;
    for (int a = 1; a <= AreaCount; ++a) {
        if (selection.AreaSelected[static_cast<std::size_t>(a)] != 0)
            areas.push_back(a);
    }
    return areas;
}

std::vector<int> ExportedLines(const ExportOptions &options)
{
    std::vector<int> lines;
    for (std::size_t k = 0; k < options.Lines.size(); ++k) {
        if (options.Lines[k].selected)
            lines.push_back(static_cast<int>(k) + 1);
    }
    return lines;
}


// The folder with symbolic links and "." / ".." resolved; empty for none.
fs::path ResolvedFolder(const std::string &folder)
{
    if (folder.empty())
        return {};
    fs::path path = fs::path(folder).lexically_normal();
    if (!path.has_filename())
        path = path.parent_path();
    std::error_code ec;
    fs::path resolved = fs::weakly_canonical(path, ec);
    return ec ? path : resolved;
}

class ExportRun {
public:
    ExportRun(const ExportOptions &options, const ExportSelection &selection, const ExportProgress &progress)
        : m_options(options)
        , m_selection(selection)
        , m_progress(progress)
    {
    }

    /// Checks the choices, opens the inputs, writes each area's records and
    /// finishes the outputs.
    ExportResult Execute(SettingsStore *settings);

private:
    // What the checked choices export.
    struct ExportPlan {
        std::vector<int> quarters; // oldest first
        std::vector<int> areas;
        std::vector<int> lines;
        TextColumns columns;
        bool perArea = false; // one file per area
    };
    std::optional<ExportResult> Check(ExportPlan &plan) const;
    std::optional<ExportResult> OpenInputs(const ExportPlan &plan, SettingsStore *settings);
    std::optional<ExportResult> WriteArea(const ExportPlan &plan, int area, int total);
    ExportResult Finish(SettingsStore *settings);
    ExportResult Failed(Failure failure)
    {
        m_result.status = ExportStatus::FileFailed;
        m_result.failure = std::move(failure);
        return std::move(m_result);
    }
    bool Open(const std::string &name);
    /// The output that could not be opened or written, with the system's reason.
    ExportResult OutputFailed();
    /// Adds bytes to the output; false when a block could not be written.
    bool Write(std::string_view bytes);
    bool WriteFootnotes();
    bool Close();

    const ExportOptions &m_options;
    const ExportSelection &m_selection;
    const ExportProgress &m_progress;
    ExportResult m_result;
    std::string m_header;    // with its line end; empty when off
    std::string m_footnotes; // the whole footnote block; empty when off
    std::optional<SafeOutputFile> m_out;
    std::string m_outName;
    int m_outError = 0; // why the output could not be opened
    // The workbook format: the open workbook, the footnote lines and the
    // layout that gives the header's and the records' cells.
    std::unique_ptr<WorkbookWriter> m_book;
    std::vector<std::string> m_footnoteLines;
    const RecordLayout *m_layout = nullptr;
    // The inputs: the data file, the area list (when a name or a file per
    // area needs it), the output names and whether footnotes are written.
    std::optional<TableDataFile> m_data;
    std::vector<AreaRecord> m_areaList;
    std::vector<std::string> m_outputs;
    bool m_footnotesOn = false;
    // One buffer for the record read, one list of its fields and one for
    // the record written: the loop makes no allocation per record. A record
    // whose value fields are all ten bytes wide (as published) is read
    // where it stands, without splitting it.
    std::string m_bytes;
    std::string_view m_read;
    DataRecordView m_fields;
    TenByteRecordView m_tenByte;
    std::string m_record;
    std::vector<RecordCell> m_cells;
};

bool ExportRun::Open(const std::string &name)
{
    m_outName = name;
    if (m_layout && m_layout->Kind() == RecordKind::Workbook) {
        // A workbook is always written whole: append has no meaning for it.
        m_book = std::make_unique<WorkbookWriter>(
            name, WorkbookSheetName(m_options.TableCode, m_selection.Paths.Unsuppressed));
        if (!m_book->Ok()) {
            m_outError = m_book->Error();
            return false;
        }
        if (m_options.Header)
            m_book->AddHeader(m_layout->HeaderCells());
        return true;
    }
    // A file is replaced whole when the run succeeds, or appended to in
    // place and cut back when it fails, so a failed run leaves an earlier
    // file as it was; the standard output and pipes take the bytes as they come.
    auto output = SafeOutputFile::Open(name, m_options.Append ? SafeOutputFile::Mode::Append
                                                              : SafeOutputFile::Mode::Replace);
    if (!output) {
        m_outError = output.Error().error;
        return false;
    }
    m_out = std::move(*output);
    // The header starts every file opened, also one appended to.
    return Write(m_header);
}

ExportResult ExportRun::OutputFailed()
{
    Failure failure = Failure::NotAccessible(m_outName);
    failure.error = m_outError;
    if (m_out && m_out->Error() != 0)
        failure.error = m_out->Error();
    else if (m_book && m_book->Error() != 0)
        failure.error = m_book->Error();
    return Failed(std::move(failure));
}

bool ExportRun::Write(std::string_view bytes)
{
    // The output file buffers and writes in large blocks.
    return m_out->Write(bytes);
}

bool ExportRun::WriteFootnotes()
{
    if (!m_book)
        return Write(m_footnotes);
    if (!m_footnotes.empty())
        m_book->AddFootnotes(m_footnoteLines);
    return true;
}

bool ExportRun::Close()
{
    // A failed output stays until its failure is reported, for its reason.
    const bool ok = m_book ? m_book->Commit() : m_out->Commit();
    if (!ok)
        return false;
    m_book.reset();
    m_out.reset();
    m_result.files.push_back(m_outName);
    return true;
}

// The choices are checked before anything is read: a refusal, or nothing
// and plan filled.
std::optional<ExportResult> ExportRun::Check(ExportPlan &plan) const
{
    const std::string &code = m_options.TableCode;
    if (QuarterCount(code) == 0)
        return Refusal(MessageIcon::Critical, "Export", "\"" + code + "\" is not one of the tables.");
    plan.quarters = ExportedQuarters(code, m_selection.QuarterSelected);
    if (plan.quarters.empty()) {
        return Refusal(MessageIcon::Information, "Select quarters",
                       "Please make a quarter selection from the Quarters box.");
    }
    plan.areas = ExportedAreas(code, m_selection);
    if (plan.areas.empty())
        return Refusal(MessageIcon::Information, "Select States", "Please select one or more States.");
    plan.lines = ExportedLines(m_options);
    if (plan.lines.empty()) {
        return Refusal(MessageIcon::Information, "No line titles selected",
                       "No records (line titles) selected for export. Please select at least one.");
    }
    if (plan.lines.back() > LineCount(code)) {
        return Refusal(MessageIcon::Critical, "Export",
                       "The list of lines holds more items than table " + code + " has lines.");
    }
    plan.columns = PresentColumns(code, m_options.LineTitle, m_options.AreaName);
    plan.perArea = m_options.Output == ExportOutput::FilePerArea;
    return std::nullopt;
}

// Everything that can fail before writing is tried first, so a run that
// cannot read its data leaves an existing output file as it was: the data
// file, the area list, the output names (never one the program reads), the
// footnotes and the header.
std::optional<ExportResult> ExportRun::OpenInputs(const ExportPlan &plan, SettingsStore *settings)
{
    const std::string &code = m_options.TableCode;
    const DataPaths &paths = m_selection.Paths;
    auto data = TableDataFile::Open(TableDataFileName(paths, code), code);
    if (!data)
        return Failed(data.Error());
    m_data = std::move(*data);

    if (plan.perArea || (plan.columns.areaName && !LinesAreAreas(code))) {
        auto list = ReadAreaList(AreaListFileName(paths));
        if (!list)
            return Failed(list.Error());
        m_areaList = std::move(*list);
    }

    if (plan.perArea) {
        for (const int area : plan.areas) {
            const std::string abbreviation = Trim(m_areaList[static_cast<std::size_t>(area - 1)].abbreviation);
            m_outputs.push_back(m_options.FileName + code + abbreviation + m_layout->Extension());
        }
    } else {
        m_outputs.push_back(m_options.FileName);
    }
    const std::vector<std::string> settingsFiles = SettingsFilesRead(settings);
    for (const std::string &output : m_outputs) {
        if (IsProgramFile(paths, output, settingsFiles)) {
            ExportResult refused = Refusal(MessageIcon::Critical, "Output file not allowed",
                                           "The file " + output + " is one of the files the program reads. An "
                                           "export never writes into them; please choose another output name.");
            refused.outputIsInput = true;
            return refused;
        }
    }

    // The footnotes follow the program-folder lookup in either mode; a table
    // without a footnote file exports without them.
    m_footnotesOn = m_options.Footnotes;
    const std::string footnotePath = ResolveDataFile(paths, code + "fn.txt");
    if (!FileExists(footnotePath)) {
        m_result.footnotesTurnedOff = m_footnotesOn;
        m_footnotesOn = false;
    } else if (m_footnotesOn) {
        // Read with a size limit; a file that cannot be opened adds nothing.
        auto text = ReadTextFile(footnotePath);
        if (!text && text.Error().kind == FailureKind::Damaged)
            return Failed(text.Error());
        if (text) {
            m_footnotes = CrLf;
            std::istringstream in(std::move(*text));
            std::string line;
            while (ReadTextLine(in, line)) {
                m_footnotes += m_layout->FootnoteLine(line) + CrLf;
                m_footnoteLines.push_back(line);
            }
        }
    }
    if (m_options.Header)
        m_header = m_layout->Header() + CrLf;
    return std::nullopt;
}

// The records of one area's lines (of the whole table for one whose lines
// are the areas), each read where it stands and written at once.
std::optional<ExportResult> ExportRun::WriteArea(const ExportPlan &plan, int area, int total)
{
    const std::string &code = m_options.TableCode;
    const RecordLayout &layout = *m_layout;
    std::string caption;
    if (plan.columns.areaName) {
        if (LinesAreAreas(code)) {
            caption = WholeTableCaption(code);
        } else {
            const AreaRecord &entry = m_areaList[static_cast<std::size_t>(area - 1)];
            caption = Trim(entry.name) + " [" + entry.code + "]";
        }
    }
    const int quarterCount = QuarterCount(code);
    for (const int line : plan.lines) {
        const std::int64_t position = m_data->Position(LinesAreAreas(code) ? 1 : area, line);
        if (std::optional<Failure> failure = m_data->ReadRecordView(position, m_bytes, m_read))
            return Failed(std::move(*failure));
        const bool inPlace = !m_book && plan.quarters.back() <= quarterCount
            && m_tenByte.Find(m_read, m_read.size(), quarterCount);
        if (!inPlace) {
            m_fields.Split(m_read);
            // Fields 0-4, one per quarter, then the flags.
            if (m_fields.fields.size() < static_cast<std::size_t>(plan.quarters.back()) + 6) {
                return Failed(Failure::Damaged(m_data->Path(), "its line at byte " + std::to_string(position)
                                                                   + " holds no value for quarter "
                                                                   + QuarterLabel(plan.quarters.back(), code)));
            }
        }
        const std::string &title = m_options.Lines[static_cast<std::size_t>(line - 1)].text;
        if (m_book) {
            m_cells.clear();
            if (const int k = layout.AppendCells(m_cells, m_fields, title, caption))
                return Failed(m_data->ValueNotANumber(position, k));
            m_book->AddRecord(m_cells);
        } else {
            m_record.clear();
            const int notANumber = inPlace ? layout.AppendRecord(m_record, m_tenByte, title, caption)
                                           : layout.AppendRecord(m_record, m_fields, title, caption);
            if (notANumber != 0)
                return Failed(m_data->ValueNotANumber(position, notANumber));
            m_record += CrLf;
            if (!Write(m_record))
                return OutputFailed();
        }
        ++m_result.records;
        if (m_progress)
            m_progress(m_result.records, total);
    }
    return std::nullopt;
}

// The choices are remembered once every file is in place.
ExportResult ExportRun::Finish(SettingsStore *settings)
{
    if (settings) {
        ExportOptions saved = m_options;
        saved.Footnotes = m_footnotesOn;
        SaveExportChoices(*settings, saved);
    }
    return std::move(m_result);
}

ExportResult ExportRun::Execute(SettingsStore *settings)
{
    ExportPlan plan;
    if (std::optional<ExportResult> refused = Check(plan))
        return std::move(*refused);

    // A program installed without its workbook module: the run fails, as
    // for a file it cannot write, and nothing is written.
    std::string why;
    if (FormatInfo(m_options.Format).Kind == RecordKind::Workbook && !WorkbookFormatAvailable(&why))
        return Failed({FailureKind::Usage, {}, WorkbookUnavailableText(why)});

    const RecordLayout layout(m_options.Format, m_options.Quote, m_options.TableCode, plan.columns, plan.quarters,
                              m_selection.Paths.Unsuppressed);
    m_layout = &layout;
    if (std::optional<ExportResult> stopped = OpenInputs(plan, settings))
        return std::move(*stopped);

    const int total = static_cast<int>(plan.areas.size() * plan.lines.size());
    if (m_progress)
        m_progress(0, total);
    if (!plan.perArea && !Open(m_outputs.front()))
        return OutputFailed();
    for (std::size_t i = 0; i < plan.areas.size(); ++i) {
        if (plan.perArea && !Open(m_outputs[i]))
            return OutputFailed();
        if (std::optional<ExportResult> stopped = WriteArea(plan, plan.areas[i], total))
            return std::move(*stopped);
        if (plan.perArea && (!WriteFootnotes() || !Close()))
            return OutputFailed();
    }
    if (!plan.perArea && (!WriteFootnotes() || !Close()))
        return OutputFailed();
    return Finish(settings);
}

} // namespace

ExportResult RunExport(const ExportOptions &options, const ExportSelection &selection, SettingsStore *settings,
                       const ExportProgress &progress)
{
    // Each folder the run looks into (the program and data folders, the
    // output's) is listed once.
    const FolderListingScope listings;
    try {
        ExportRun run(options, selection, progress);
        return run.Execute(settings);
    } catch (const std::exception &error) {
        // Out of memory, or a failing callback: the open files close as the
        // run unwinds.
        ExportResult result;
        result.status = ExportStatus::FileFailed;
        result.failure = {FailureKind::Usage, {}, std::string("The export stopped: ") + error.what() + "."};
        return result;
    }
}

bool IsProgramFile(const DataPaths &paths, const std::string &path, const std::vector<std::string> &otherFiles)
{
    if (path.empty())
        return false;
    if (IsProgramInputFile(paths, path, otherFiles))
        return true;
    // Exports never write into the data folder, whatever the file is.
    std::error_code ec;
    fs::path file = fs::weakly_canonical(ActualPath(path), ec);
    if (ec)
        file = fs::path(path).lexically_normal();
    const fs::path dataFolder = ResolvedFolder(paths.DataFolder);
    if (dataFolder.empty() || !fs::exists(file, ec))
        return false;
    // The same folder by its name, or reached another way (a second mount).
    return EqualIgnoringCase(file.parent_path().string(), dataFolder.string())
        || fs::equivalent(file.parent_path(), dataFolder, ec);
}

void SaveExportChoices(SettingsStore &settings, const ExportOptions &options)
{
    // Numbers and flags as numbers with one leading blank (" 1").
    setting::ExportFormatNumber.Write(settings, static_cast<int>(options.Format));
    setting::ExportHeader.Write(settings, options.Header ? 1 : 0);
    setting::ExportAreaName.Write(settings, options.AreaName ? 1 : 0);
    setting::ExportLineTitle.Write(settings, options.LineTitle ? 1 : 0);
    setting::ExportOutputMode.Write(settings, static_cast<int>(options.Output));
    setting::ExportAppend.Write(settings, options.Append ? 1 : 0);
    setting::ExportQuote.Write(settings, options.Quote ? 1 : 0);
    setting::ExportFileName.Write(settings, options.FileName);
    setting::ExportFootnotes.Write(settings, options.Footnotes ? 1 : 0);
}

ExportOptions ReadExportChoices(const SettingsStore &settings)
{
    ExportOptions options;
    const auto read = [&](const RememberedSetting &setting, auto apply) {
        const SettingRead value = setting.Read(settings);
        if (value.Found())
            apply(value);
    };
    read(setting::ExportFormatNumber, [&](const SettingRead &v) {
        const int format = v.Number();
        options.Format = ExportFormatAt(format).value_or(ExportFormat::Comma);
    });
    read(setting::ExportHeader, [&](const SettingRead &v) { options.Header = v.Flag(); });
    read(setting::ExportAreaName, [&](const SettingRead &v) { options.AreaName = v.Flag(); });
    read(setting::ExportLineTitle, [&](const SettingRead &v) { options.LineTitle = v.Flag(); });
    read(setting::ExportOutputMode, [&](const SettingRead &v) {
        options.Output = v.Number() == 1 ? ExportOutput::FilePerArea : ExportOutput::OneFile;
    });
    read(setting::ExportAppend, [&](const SettingRead &v) { options.Append = v.Flag(); });
    read(setting::ExportQuote, [&](const SettingRead &v) { options.Quote = v.Flag(); });
    read(setting::ExportFileName, [&](const SettingRead &v) { options.FileName = v.Text(); });
    read(setting::ExportFootnotes, [&](const SettingRead &v) { options.Footnotes = v.Flag(); });
    return options;
}

std::string ExportFailureText(const ExportResult &result)
{
    switch (result.status) {
    case ExportStatus::Completed:
        return {};
    case ExportStatus::Refused:
        return result.text;
    case ExportStatus::FileFailed:
        return FailureText(result.failure);
    }
    return {};
}

void ReportExportFailure(MessageSink &sink, const ExportResult &result)
{
    switch (result.status) {
    case ExportStatus::Completed:
        return;
    case ExportStatus::Refused:
        sink.ShowMessage(result.icon, result.title, result.text);
        return;
    case ExportStatus::FileFailed:
        ReportFailure(sink, result.failure);
        return;
    }
}

std::string ExportOpenFileQuestion(const std::string &file)
{
    return "Export completed. Would you like to open the file " + file + "?";
}

} // namespace tarvel
