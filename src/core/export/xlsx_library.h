#pragma once

/* The libxlsxwriter functions the workbook writer calls, as one table.
 *
 * The library and what it needs (its zip, zlib and crypto libraries) cost a
 * few milliseconds to load and relocate, which every start of tarvel-batch
 * would pay for a format few runs use. So the library is linked into a
 * module of its own, tarvel-xlsx.so, which the workbook writer loads the
 * first time a workbook is written. The module holds nothing but this table.
 *
 * The module lies in the program's module folder: TARVEL_MODULES_FROM_BIN
 * seen from the program's own folder, in the build tree as when installed. */

#include <stddef.h>
#include <xlsxwriter.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TARVEL_XLSX_MODULE_NAME "tarvel-xlsx.so"
#define TARVEL_XLSX_LIBRARY_SYMBOL "tarvel_xlsx_library"

struct TarvelXlsxLibrary {
    /* sizeof(struct TarvelXlsxLibrary) as the module was built: a module
     * left from another build of the program is refused, not called. */
    size_t size;
    lxw_workbook *(*workbook_new_opt)(const char *filename, lxw_workbook_options *options);
    lxw_worksheet *(*workbook_add_worksheet)(lxw_workbook *workbook, const char *sheetname);
    lxw_format *(*workbook_add_format)(lxw_workbook *workbook);
    lxw_error (*workbook_close)(lxw_workbook *workbook);
    void (*lxw_workbook_free)(lxw_workbook *workbook);
    void (*format_set_bold)(lxw_format *format);
    void (*format_set_num_format)(lxw_format *format, const char *num_format);
    void (*format_set_align)(lxw_format *format, uint8_t alignment);
    lxw_error (*worksheet_write_string)(lxw_worksheet *worksheet, lxw_row_t row, lxw_col_t col,
                                        const char *string, lxw_format *format);
    lxw_error (*worksheet_write_number)(lxw_worksheet *worksheet, lxw_row_t row, lxw_col_t col,
                                        double number, lxw_format *format);
    lxw_error (*worksheet_write_comment)(lxw_worksheet *worksheet, lxw_row_t row, lxw_col_t col,
                                         const char *string);
    lxw_error (*worksheet_set_column)(lxw_worksheet *worksheet, lxw_col_t first_col, lxw_col_t last_col,
                                      double width, lxw_format *format);
    void (*worksheet_freeze_panes)(lxw_worksheet *worksheet, lxw_row_t row, lxw_col_t col);
    lxw_error (*worksheet_autofilter)(lxw_worksheet *worksheet, lxw_row_t first_row, lxw_col_t first_col,
                                      lxw_row_t last_row, lxw_col_t last_col);
};

/* The module's one entry point, found by name (TARVEL_XLSX_LIBRARY_SYMBOL). */
const struct TarvelXlsxLibrary *tarvel_xlsx_library(void);

#ifdef __cplusplus
}
#endif
