#pragma once

#include "core/print/print_target.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

/// Gives the local date and time as the comment block writes it.
using DateTimeSource = std::function<std::string()>;

/// The current local date and time in the system's general date format: the
/// locale's short date, a blank, its time ("%x %X" of the user's locale; the
/// C locale when the environment names none that is installed).
std::string LocalDateTimeText();
/// Whether a locale name (LC_ALL, LC_TIME or LANG; empty when none is set)
/// writes dates and times as the built-in C locale: then no locale files
/// are read for the date.
bool NamesCTimeLocale(std::string_view name);

/// An HTML file: 150 rows and 5 columns a page, "<hr>" between pages. No
/// text is escaped: cells, captions and documents are written as they are.
class HtmlTarget final : public FileTarget {
public:
    HtmlTarget(std::string fileName, DateTimeSource now);

    std::optional<PageGeometry> Geometry(int titleWidth, int cellWidth) override;
    void BeginFileOutput(bool appending) override;
    void TitleLine(int kind, const std::string &text) override;
    void AreaLine(const std::string &text) override;
    void HeaderRow(RowCells cells) override;
    void DataRow(RowCells cells) override;
    void DataRows(const Grid &grid, int firstRow, int lastRow, int firstColumn, int lastColumn) override;
    void PageFoot(const std::string &tableCode) override;
    void PageBreak() override;
    void FootnoteText(const std::string &text) override;
    void DocumentHeading(const std::string &caption, bool documentTag) override;
    void DocumentBody(const std::string &text) override;
    void DocumentEnd(bool documentTag) override;

private:
    DateTimeSource m_now;
};

} // namespace tarvel
