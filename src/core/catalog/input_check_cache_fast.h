#pragma once

// The last answer of the check that an output is none of the program's
// inputs (IsProgramInputFile in program_inputs.cpp), kept on the thread: a
// run asks it more than once for the same output (before it starts and as
// it opens the output), and the answer holds for the whole run. A plain
// build (TARVEL_PLAIN_CODE) keeps none and checks each time, with the same
// answers (program_inputs_test.cpp, ARunKeepsEachAnswerOnlyForItsOwnQuestion).
namespace tarvel::fast {

#if !defined(TARVEL_PLAIN_CODE)

/// This thread's last answer, as the check keeps it.
template <typename Answer>
Answer *LastInputAnswer()
{
    thread_local Answer last;
    return &last;
}

#else

template <typename Answer>
Answer *LastInputAnswer()
{
    return nullptr;
}

#endif

} // namespace tarvel::fast
