# Fails when an include points up a layer: a file under core/ that includes
# a Qt header or a file of viewer/ or cli/, or a file under cli/ that
# includes a Qt header or a file of viewer/, a grid builder (core/views/)
# that includes the print engine, or a viewer file outside main/ that
# includes the main window; and when the main window's header includes a
# viewer header or more than four project headers, or program code reads
# the main window's controls. Run as
#   cmake -DSOURCE_DIR=<repo>/src -P check_layers.cmake
if(NOT SOURCE_DIR)
    message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(faults "")
foreach(layer core cli)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
    if(layer STREQUAL "core")
        set(forbidden "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z0-9_]*|Qt[A-Za-z0-9_]*/[^>\"]*|viewer/[^>\"]*|cli/[^>\"]*)[>\"]")
    else()
        set(forbidden "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z0-9_]*|Qt[A-Za-z0-9_]*/[^>\"]*|viewer/[^>\"]*)[>\"]")
    endif()
    foreach(file IN LISTS files)
        file(STRINGS "${file}" lines REGEX "#[ \t]*include")
        foreach(line IN LISTS lines)
            if(line MATCHES "${forbidden}")
                file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
                string(APPEND faults "  ${rel}: ${line}\n")
            endif()
        endforeach()
    endforeach()
endforeach()

# Inside the viewer only main/ knows the main window: a window or dialog
# gets what it needs passed in.
file(GLOB_RECURSE files "${SOURCE_DIR}/viewer/*.h" "${SOURCE_DIR}/viewer/*.cpp")
foreach(file IN LISTS files)
    if(file MATCHES "/viewer/main/")
        continue()
    endif()
    file(STRINGS "${file}" lines REGEX "#[ \t]*include")
    foreach(line IN LISTS lines)
        if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"viewer/main/")
            file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
            string(APPEND faults "  ${rel}: ${line}\n")
        endif()
    endforeach()
endforeach()

# The main window's header includes only the state it holds by value and
# declares the rest, so a change to a window, a dialog or the print engine
# does not rebuild everything that knows the main window. Its controls are
# for its own commands; only tests read them through Controls().
file(STRINGS "${SOURCE_DIR}/viewer/main/frmMain.h" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
list(LENGTH lines count)
foreach(line IN LISTS lines)
    if(line MATCHES "\"viewer/")
        string(APPEND faults "  viewer/main/frmMain.h: ${line}\n")
    endif()
endforeach()
if(count GREATER 4)
    string(APPEND faults "  viewer/main/frmMain.h: ${count} project includes, at most 4\n")
endif()
file(GLOB_RECURSE files "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(file IN LISTS files)
    if(file MATCHES "/viewer/main/frmMain\\.h$")
        continue()
    endif()
    file(STRINGS "${file}" lines REGEX "(\\.|->)Controls\\(\\)")
    foreach(line IN LISTS lines)
        file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
        string(APPEND faults "  ${rel}: ${line}\n")
    endforeach()
endforeach()

# The grids are built before anything prints them: what a table prints (its
# title, its unit) the catalog says.
file(GLOB_RECURSE files "${SOURCE_DIR}/core/views/*.h" "${SOURCE_DIR}/core/views/*.cpp")
foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "#[ \t]*include")
    foreach(line IN LISTS lines)
        if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"core/print/")
            file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
            string(APPEND faults "  ${rel}: ${line}\n")
        endif()
    endforeach()
endforeach()

if(faults)
    message(FATAL_ERROR "Includes that point up a layer, or code that reaches into the main window:\n${faults}")
endif()
message(STATUS "Layers point down: core uses neither Qt nor the viewer nor the command line; the command line uses no Qt; the grid builders do not print; the main window's header stays small and its controls its own.")
