# Build conventions shared by every target of the project.

find_program(VN_CCACHE ccache)
if(VN_CCACHE)
    # Precompiled headers and ccache only get along with these relaxations.
    set(_launcher /usr/bin/env
        CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
        CCACHE_BASEDIR=${CMAKE_SOURCE_DIR}
        ${VN_CCACHE})
    set(CMAKE_C_COMPILER_LAUNCHER ${_launcher})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${_launcher})
endif()

if(VN_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Coverage guidance needs every library the inputs pass through instrumented, and one precompiled
# header only serves code compiled with the same instrumentation.
if(VN_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Debug sections are most of every object and program; compressed they take a third of the disk,
# and debuggers and the sanitizers' symbolizer read them as they are.
add_compile_options(-gz)
add_link_options(-gz)

# Under the sanitizers most of every program is their bookkeeping of the code it links (source
# places and type records, each with a relocation), a few hundred megabytes a program; with the
# libraries linked statically each test program carries its own copy, and a build ran out of disk.
# The test build shares one copy of each library. The precompiled header is only accepted by code
# compiled alike, so everything is position-independent code then.
if(VN_SHARED_LIBS)
    set(VN_LIBRARY_TYPE SHARED)
    add_compile_options(-fPIC)
else()
    set(VN_LIBRARY_TYPE STATIC)
endif()

# Static libraries as thin archives: they name the object files instead of holding a second copy.
set(CMAKE_C_ARCHIVE_CREATE "<CMAKE_AR> qc --thin <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_CXX_ARCHIVE_CREATE "<CMAKE_AR> qc --thin <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_C_ARCHIVE_APPEND "<CMAKE_AR> q --thin <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_CXX_ARCHIVE_APPEND "<CMAKE_AR> q --thin <TARGET> <LINK_FLAGS> <OBJECTS>")

set(VN_PCH_HEADERS
    <QtCore/QString> <QtCore/QStringList> <QtCore/QVariant> <QtCore/QDateTime> <QtCore/QList>
    <QtCore/QHash> <QtCore/QMap> <QtCore/QObject> <QtWidgets/QWidget> <QtWidgets/QDialog>
    <QtGui/QPainter> <memory> <string> <vector> <functional> <cstdint>)

# The precompiled header is built once, by a target of its own, and every library, program and test
# program reuses it: a copy per target costs a compile and a few hundred megabytes each. Whatever
# changes the meaning of the headers (sanitizers, instrumentation, Qt's module macros) must be the
# same here as in the targets that reuse it; the compiler refuses a mismatched one, and -Werror
# makes that refusal stop the build instead of silently compiling without it.
function(vn_add_precompiled_header)
    set(headers ${VN_PCH_HEADERS})
    if(VN_TESTS)
        # The test framework's macros come with its targets; every target of a test build gets them,
        # before any target exists, so that library code can share the header with the test programs.
        foreach(framework GTest::gtest GTest::gmock)
            get_target_property(definitions ${framework} INTERFACE_COMPILE_DEFINITIONS)
            if(definitions)
                add_compile_definitions(${definitions})
            endif()
            get_target_property(options ${framework} INTERFACE_COMPILE_OPTIONS)
            if(options)
                add_compile_options(${options})
            endif()
        endforeach()
        list(APPEND headers <gtest/gtest.h>)
    endif()
    set(source ${CMAKE_BINARY_DIR}/vn_pch.cpp)
    file(CONFIGURE OUTPUT ${source}
         CONTENT "// Nothing of its own: this target only builds the shared precompiled header.\n")
    add_library(vn_pch OBJECT ${source})
    set_target_properties(vn_pch PROPERTIES AUTOMOC OFF)
    target_link_libraries(vn_pch PRIVATE Qt6::Core Qt6::Gui Qt6::Widgets Qt6::PrintSupport)
    target_precompile_headers(vn_pch PRIVATE ${headers})
    target_compile_options(vn_pch PRIVATE -Wall -Wextra -Werror)
endfunction()

function(vn_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    target_precompile_headers(${target} REUSE_FROM vn_pch)
endfunction()

# Files matching the patterns under dir, searched recursively. The build re-runs the configure step
# when a folder of dir gains or loses an entry (a folder's time changes then, an edited file's does
# not), so new files are picked up while a build with nothing changed does no work at all; a
# glob checked on every build would make even that build re-run the configure step.
function(vn_glob out dir)
    file(GLOB_RECURSE entries LIST_DIRECTORIES true ${dir}/*)
    set(folders ${dir})
    set(found)
    foreach(entry IN LISTS entries)
        if(IS_DIRECTORY ${entry})
            list(APPEND folders ${entry})
        else()
            foreach(pattern IN LISTS ARGN)
                get_filename_component(name ${entry} NAME)
                string(REGEX MATCH "${pattern}" hit "${name}")
                if(hit)
                    list(APPEND found ${entry})
                    break()
                endif()
            endforeach()
        endif()
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${folders})
    list(SORT found)
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# Moc only scans a target again when one of its inputs changed, and a file added to the target is
# not one of them: the new header would stay unscanned and the link would miss its meta-object
# code. The list of sources goes into a file that this folder's configure step reads, and moc
# looks again whenever that file changes; it is only rewritten when the list differs.
function(vn_note_sources target)
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.cmake)
    file(CONFIGURE OUTPUT ${list_file} CONTENT "set(${target}_sources \"${ARGN}\")\n")
    include(${list_file})
endfunction()

# A library made of every .cpp under the given folders; an interface target while it has none yet.
function(vn_add_library target)
    cmake_parse_arguments(ARG "" "" "DIRS;LIBS;INCLUDES" ${ARGN})
    set(sources)
    foreach(dir IN LISTS ARG_DIRS)
        vn_glob(found ${CMAKE_CURRENT_SOURCE_DIR}/${dir} "\\.cpp$" "\\.h$")
        list(APPEND sources ${found})
    endforeach()
    set(cpps ${sources})
    list(FILTER cpps INCLUDE REGEX "\\.cpp$")
    if(cpps)
        add_library(${target} ${VN_LIBRARY_TYPE} ${sources})
        vn_note_sources(${target} ${sources})
        target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src ${ARG_INCLUDES})
        target_link_libraries(${target} PUBLIC ${ARG_LIBS})
        vn_target_defaults(${target})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR}/src ${ARG_INCLUDES})
        target_link_libraries(${target} INTERFACE ${ARG_LIBS})
    endif()
endfunction()

# One test program per source folder: tests/<folder>/*.cpp become test_<folder>.
#
# CTest runs each program whole, in one process: starting Qt under the sanitizers costs more than
# most cases, so a process per case would spend the run on start-ups. Brief output keeps a passing
# run quiet and still names every failing case with its message. One case or suite is picked with
# gtest's own filter, e.g. GTEST_FILTER='Suite.*' ctest -R test_core.
function(vn_add_test_folder dir)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    vn_glob(sources ${CMAKE_CURRENT_SOURCE_DIR}/${dir} "\\.cpp$" "\\.h$")
    set(cpps ${sources})
    list(FILTER cpps INCLUDE REGEX "\\.cpp$")
    if(NOT cpps)
        return()
    endif()
    string(REPLACE "/" "_" name "test_${dir}")
    add_executable(${name} ${sources})
    vn_note_sources(${name} ${sources})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE vn_testmain ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    vn_target_defaults(${name})
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    # A whole program under the sanitizers on a busy two-core machine: generous, yet a hung
    # window still ends the run.
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "VN_BUILD_DIR=${CMAKE_BINARY_DIR}" TIMEOUT 1200)
endfunction()
