#pragma once

#include "core/print/print_target.h"

#include <string>
#include <vector>

namespace tarvel {

/// The character-cell rendering of a row: cell 0 left-justified in
/// TitleWidth characters, every further cell right-justified in CellWidth.
/// The header and data lines of the text file, and of the printer.
std::string PaddedRowText(const TableLayout &layout, RowCells cells);

/// The three foot lines of a text page: "", the footnote-reference line
/// (LineWidth - 1 characters) and the table, date and agency line.
std::vector<std::string> TextPageFoot(const TableLayout &layout, const std::string &tableCode);

/// A plain text file: 65 rows and 6 columns a page, form-feed lines between
/// pages, dash rules of LineWidth.
class TextTarget final : public FileTarget {
public:
    explicit TextTarget(std::string fileName);

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
    void DashLine();

    // The foot lines of the last table code and line width, made once.
    std::string m_footCode;
    int m_footWidth = -1;
    std::vector<std::string> m_foot;
};

} // namespace tarvel
