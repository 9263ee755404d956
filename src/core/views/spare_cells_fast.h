#pragma once

// The cell storage a grid leaves behind for the next grid built on its
// thread (Grid::TakeCells, Grid::LeaveCells in grid.cpp). Grids come one
// after another (print-all builds one per area, the window one per change),
// and new memory of a grid's size is handed over by the system page by
// page; storage kept on the thread is already there. A plain build
// (TARVEL_PLAIN_CODE) keeps none: every grid takes new storage, with the
// same cells (grid_test.cpp, ANewGridStartsEmptyAfterOthersWent).
namespace tarvel::fast {

#if !defined(TARVEL_PLAIN_CODE)

/// This thread's spare storage, empty at first; nullptr once the thread's
/// spare has gone (a grid that outlives it, at exit, keeps nothing).
template <typename Cells>
Cells *SpareCells()
{
    struct Holder {
        Cells cells;
        bool *gone;
        ~Holder() { *gone = true; }
    };
    thread_local bool gone = false;
    if (gone)
        return nullptr;
    thread_local Holder holder{{}, &gone};
    return &holder.cells;
}

#else

template <typename Cells>
Cells *SpareCells()
{
    return nullptr;
}

#endif

} // namespace tarvel::fast
