#pragma once

class QWidget;

/// Keeps window at least as wide as its title needs in a window frame
/// (TitleRoom), now and whenever its title or font changes: a frame cuts a
/// title that is wider than its window ("Print all a... able ZR5N"). A
/// window laid out by a box or grid layout gets a row of that width in it,
/// any other a minimum width.
void KeepTitleWhole(QWidget &window);
