#pragma once

class QPrintPreviewDialog;

/// Qt's print preview made usable by keyboard and screen reader: every
/// button of its tool bar (and the bar's overflow button) takes the focus
/// by Tab, and the page box, the zoom box and the pages have names.
void PreparePreviewForKeyboard(QPrintPreviewDialog &dialog);
