/* The module tarvel-xlsx.so: libxlsxwriter's functions that the workbook
 * writer calls, handed over as one table (see xlsx_library.h). */
#include "core/export/xlsx_library.h"

__attribute__((visibility("default"))) const struct TarvelXlsxLibrary *tarvel_xlsx_library(void)
{
    static const struct TarvelXlsxLibrary library = {
        sizeof(struct TarvelXlsxLibrary),
        workbook_new_opt,
        workbook_add_worksheet,
        workbook_add_format,
        workbook_close,
        lxw_workbook_free,
        format_set_bold,
        format_set_num_format,
        format_set_align,
        worksheet_write_string,
        worksheet_write_number,
        worksheet_write_comment,
        worksheet_set_column,
        worksheet_freeze_panes,
        worksheet_autofilter,
    };
    return &library;
}
