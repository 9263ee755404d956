# One place for the language level and the warnings of every target.
add_library(tarvel_options INTERFACE)
target_compile_features(tarvel_options INTERFACE cxx_std_20)
target_compile_options(tarvel_options INTERFACE -Wall -Wextra -pedantic -Wold-style-cast)
# A plain build compiles no *_fast file; the headers then give plain versions.
if(TARVEL_PLAIN_CODE)
    target_compile_definitions(tarvel_options INTERFACE TARVEL_PLAIN_CODE)
endif()
if(TARVEL_WERROR)
    target_compile_options(tarvel_options INTERFACE -Werror)
endif()
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

# Qt code: no silent conversions from char strings.
add_library(tarvel_qt_options INTERFACE)
target_compile_definitions(tarvel_qt_options INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT)
