# What a release states about itself, each taken from one place:
#   the version        project(... VERSION ...) in CMakeLists.txt
#   the release date   its section in NEWS.md, which must be the newest
#   the release notes  NEWS.md (dist/news.awk turns them into the metainfo's
#                      <releases> and the Debian change log)
#   the copyright      the "Copyright (c) YEARS HOLDER" line of LICENSE, and
#                      the licence's name from LICENSE's first line
#   the desktop id     TARVEL_APP_ID below: the AppStream component id, the
#                      names of the desktop entry, metainfo and icons, and
#                      the name the viewer gives the desktop for its windows
# The help file names the version in its About topic, so the build writes a
# copy of tools/tarvel.hlp with it filled in; that copy is what ships.

set(TARVEL_NEWS ${PROJECT_SOURCE_DIR}/NEWS.md)
set(TARVEL_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(TARVEL_NEWS_AWK ${PROJECT_SOURCE_DIR}/dist/news.awk)
set(TARVEL_MAINTAINER "The TARVEL project team <tarvel@example.org>")
set(TARVEL_LICENSE_SPDX MIT)
# The project has no web site; a distributor who has one for it names it
# here, and the viewer's web-site command opens it instead of the help.
set(TARVEL_WEB_SITE "" CACHE STRING "Web site the viewer's Help menu opens (empty: none; the help opens)")
# Lower case, as the AppStream validators want a component id.
set(TARVEL_APP_ID org.example.tarvel)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TARVEL_NEWS} ${TARVEL_LICENSE} ${TARVEL_NEWS_AWK})

# ---- the licence --------------------------------------------------------------------
file(STRINGS ${TARVEL_LICENSE} tarvel_license_name LIMIT_COUNT 1)
file(STRINGS ${TARVEL_LICENSE} tarvel_copyright_line REGEX "^Copyright \\(c\\) ")
list(LENGTH tarvel_copyright_line tarvel_copyright_count)
if(NOT tarvel_copyright_count EQUAL 1
   OR NOT tarvel_copyright_line MATCHES "^Copyright \\(c\\) ([0-9][0-9-]*) (.+)$")
    message(FATAL_ERROR "LICENSE: no single line \"Copyright (c) YEAR HOLDER\"")
endif()
set(TARVEL_COPYRIGHT_YEARS ${CMAKE_MATCH_1})
set(TARVEL_COPYRIGHT_HOLDER ${CMAKE_MATCH_2})
set(TARVEL_COPYRIGHT "Copyright (c) ${TARVEL_COPYRIGHT_YEARS} ${TARVEL_COPYRIGHT_HOLDER}")
set(TARVEL_LICENSE_NAME ${tarvel_license_name})
# The licence's text after the copyright line, as the Debian copyright file
# holds it: each line indented by one blank, an empty line written " .".
file(READ ${TARVEL_LICENSE} tarvel_license_text)
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n+" "" tarvel_license_text "${tarvel_license_text}")
string(STRIP "${tarvel_license_text}" tarvel_license_text)
string(REPLACE "\n\n" "\n.\n" tarvel_license_text "${tarvel_license_text}")
string(REPLACE "\n" "\n " TARVEL_LICENSE_TEXT_DEBIAN " ${tarvel_license_text}")

# ---- the release notes ----------------------------------------------------------------
find_program(TARVEL_AWK NAMES awk mawk gawk REQUIRED)
function(tarvel_news what output_variable)
    execute_process(
        COMMAND ${TARVEL_AWK} -v what=${what} -v "maintainer=${TARVEL_MAINTAINER}" -f ${TARVEL_NEWS_AWK} ${TARVEL_NEWS}
        OUTPUT_VARIABLE output ERROR_VARIABLE error RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${error}The release notes in NEWS.md could not be read (${what}).")
    endif()
    set(${output_variable} "${output}" PARENT_SCOPE)
endfunction()

tarvel_news(versions tarvel_releases)
string(REGEX MATCH "^[^\n]*" tarvel_newest "${tarvel_releases}")
if(NOT tarvel_newest MATCHES "^([^ ]+) ([^ ]+)$" OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "NEWS.md: the newest release is ${CMAKE_MATCH_1}, but the project's version is "
                        "${PROJECT_VERSION}. Add a section \"## ${PROJECT_VERSION} (YYYY-MM-DD)\" at the top "
                        "saying what changed for users.")
endif()
set(TARVEL_RELEASE_DATE ${CMAKE_MATCH_2})
tarvel_news(releases TARVEL_METAINFO_RELEASES)
string(STRIP "${TARVEL_METAINFO_RELEASES}" TARVEL_METAINFO_RELEASES)
tarvel_news(changelog TARVEL_DEBIAN_CHANGELOG)

# ---- the help file with the version filled in -----------------------------------------
set(TARVEL_HELP_FILE ${PROJECT_BINARY_DIR}/generated/tarvel.hlp)
configure_file(${PROJECT_SOURCE_DIR}/tools/tarvel.hlp ${TARVEL_HELP_FILE} @ONLY)
