#pragma once

// How tarvel-batch tunes its own process for short runs: the one place of
// it, with process_tuning.cpp (what runs) and process_tuning.cmake (how it
// is linked). A plain build (TARVEL_PLAIN_CODE) tunes nothing.
namespace tarvel::batch {

#if !defined(TARVEL_PLAIN_CODE)
/// Called first thing in main: keeps freed memory in the process's own heap.
void TuneProcess();
#else
inline void TuneProcess() {}
#endif

} // namespace tarvel::batch
