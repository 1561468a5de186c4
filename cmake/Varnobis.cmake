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

set(VN_PCH_HEADERS
    <QtCore/QString> <QtCore/QStringList> <QtCore/QVariant> <QtCore/QDateTime> <QtCore/QList>
    <QtCore/QHash> <QtCore/QMap> <QtCore/QObject> <QtWidgets/QWidget> <QtWidgets/QDialog>
    <QtGui/QPainter> <memory> <string> <vector> <functional> <cstdint>)

function(vn_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# A library made of every .cpp under the given folders; an interface target while it has none yet.
function(vn_add_library target)
    cmake_parse_arguments(ARG "" "" "DIRS;LIBS;INCLUDES" ${ARGN})
    set(sources)
    foreach(dir IN LISTS ARG_DIRS)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
        list(APPEND sources ${found})
    endforeach()
    list(FILTER sources INCLUDE REGEX "\\.cpp$|\\.h$")
    set(cpps ${sources})
    list(FILTER cpps INCLUDE REGEX "\\.cpp$")
    if(cpps)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src ${ARG_INCLUDES})
        target_link_libraries(${target} PUBLIC ${ARG_LIBS})
        target_precompile_headers(${target} PRIVATE ${VN_PCH_HEADERS})
        vn_target_defaults(${target})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR}/src ${ARG_INCLUDES})
        target_link_libraries(${target} INTERFACE ${ARG_LIBS})
    endif()
endfunction()

# One test program per source folder: tests/<folder>/*.cpp become test_<folder>.
function(vn_add_test_folder dir)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    if(NOT sources)
        return()
    endif()
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
    string(REPLACE "/" "_" name "test_${dir}")
    add_executable(${name} ${sources} ${headers})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE vn_testmain ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_precompile_headers(${name} REUSE_FROM vn_testmain)
    vn_target_defaults(${name})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        PROPERTIES ENVIRONMENT "VN_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()
