# Installs the manual pages, run by `cmake --install` (and by CPack) with
# the prefix of that installation: the pages name the folders the files
# really went to, which the configured prefix need not be (`cmake --install
# --prefix DIR` chooses another). The build wrote the pages with markers in
# place of those folders; here the markers become the folders, and the pages
# are compressed as Debian keeps them and installed (DESTDIR applies).
#
# Set by dist/CMakeLists.txt: TARVEL_MAN_PAGES (the built pages),
# TARVEL_MAN_WORK (a folder of the build tree to write in), and the install
# folders as GNUInstallDirs gives them, relative to the prefix or absolute:
# TARVEL_MAN_DATADIR, TARVEL_MAN_DOCDIR and TARVEL_MAN_MANDIR.

# A folder of this installation, absolute.
function(tarvel_installed_folder variable folder)
    if(IS_ABSOLUTE "${folder}")
        set(${variable} "${folder}" PARENT_SCOPE)
    else()
        set(${variable} "${CMAKE_INSTALL_PREFIX}/${folder}" PARENT_SCOPE)
    endif()
endfunction()

# A path as roff text: a backslash is \e and a hyphen \- (a path is typed
# with the minus sign, never a hyphen).
function(tarvel_roff_path variable path)
    string(REPLACE "\\" "\\e" path "${path}")
    string(REPLACE "-" "\\-" path "${path}")
    set(${variable} "${path}" PARENT_SCOPE)
endfunction()

tarvel_installed_folder(share "${TARVEL_MAN_DATADIR}/tarvel")
tarvel_installed_folder(doc "${TARVEL_MAN_DOCDIR}")
tarvel_installed_folder(man "${TARVEL_MAN_MANDIR}/man1")
tarvel_roff_path(share_text "${share}")
tarvel_roff_path(doc_text "${doc}")

file(MAKE_DIRECTORY "${TARVEL_MAN_WORK}")
set(compressed)
foreach(page IN LISTS TARVEL_MAN_PAGES)
    get_filename_component(name "${page}" NAME)
    file(READ "${page}" text)
    string(REPLACE "@TARVEL_INSTALL_SHARE@" "${share_text}" text "${text}")
    string(REPLACE "@TARVEL_DOC_DIR@" "${doc_text}" text "${text}")
    if(text MATCHES "@TARVEL_[A-Z_]+@")
        message(FATAL_ERROR "${page}: ${CMAKE_MATCH_0} is not filled in on installing")
    endif()
    file(WRITE "${TARVEL_MAN_WORK}/${name}" "${text}")
    execute_process(COMMAND gzip -9nc "${TARVEL_MAN_WORK}/${name}"
                    OUTPUT_FILE "${TARVEL_MAN_WORK}/${name}.gz" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "gzip could not compress the manual page ${name}")
    endif()
    list(APPEND compressed "${TARVEL_MAN_WORK}/${name}.gz")
endforeach()
file(INSTALL ${compressed} DESTINATION "${man}")
