# tarvel-batch's process tuning (with process_tuning.cpp); none in a plain
# build (TARVEL_PLAIN_CODE), which links the program as any other.
if(TARVEL_PLAIN_CODE)
    return()
endif()
target_sources(tarvel-batch PRIVATE process_tuning.cpp)

# A command-line tool is started once per job, and on a virtual machine
# every page a start touches costs some microseconds. So tarvel-batch is
# linked as a static position-independent program where the toolchain can:
# no dynamic loader, no shared libraries to map and relocate (about 1 ms a
# run). Where it cannot, the C++ runtime alone is linked in and only the C
# library is loaded. Unused sections are dropped and the relative
# relocations packed (where the linker can), so fewer pages are touched.
# The workbook module is still loaded with dlopen: the linker warns that a
# static program doing so needs the shared C library of the version it was
# built with, which the module (built and installed beside the program,
# against that library) needs anyway.
# (Not under the sanitizers, whose runtimes expect shared libraries.)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    include(CheckLinkerFlag)
    check_linker_flag(CXX "-static-pie" TARVEL_LINKER_STATIC_PIE)
    if(TARVEL_LINKER_STATIC_PIE)
        target_link_options(tarvel-batch PRIVATE -static-pie)
    else()
        target_link_options(tarvel-batch PRIVATE -static-libstdc++ -static-libgcc)
    endif()
    target_link_options(tarvel-batch PRIVATE -Wl,--gc-sections)
    check_linker_flag(CXX "-Wl,-z,pack-relative-relocs" TARVEL_LINKER_PACKS_RELOCS)
    if(TARVEL_LINKER_PACKS_RELOCS)
        target_link_options(tarvel-batch PRIVATE -Wl,-z,pack-relative-relocs)
    endif()
endif()
