# Compiler settings shared by every target of the project.
function(zuv_apply_compile_options target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
        -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual)
    if(ZUV_WARNINGS_AS_ERRORS)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(ZUV_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# zuv_add_library(NAME SOURCES ... PUBLIC_LIBS ... PRIVATE_LIBS ...)
function(zuv_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
    zuv_apply_compile_options(${name})
endfunction()

# zuv_add_test(NAME SOURCES ... LIBS ... [LABELS unit|x11|keyring|integration] [TIMEOUT s])
# One Qt Test executable per unit under test, registered with CTest. The label decides where the
# test command runs it: "unit" suites also run in the sanitizer build.
function(zuv_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    # While a suite is being written its sources may not exist yet; leave it out locally, but
    # never under CI, where a missing file is a broken tree.
    foreach(source IN LISTS ARG_SOURCES)
        if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${source} AND NOT EXISTS ${source})
            if("$ENV{CI}" STREQUAL "true")
                message(FATAL_ERROR "${name}: source ${source} is missing")
            endif()
            message(WARNING "${name} left out: ${source} does not exist yet")
            return()
        endif()
    endforeach()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test zuv_test_support ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    zuv_apply_compile_options(${name})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_LABELS)
        set(ARG_LABELS unit)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set(env "ZUV_TEST_BINARY_DIR=${PROJECT_BINARY_DIR}")
    if(NOT "x11" IN_LIST ARG_LABELS)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "${env}")
    # Suites that inject input into, or capture, the one test display must not overlap.
    if("x11" IN_LIST ARG_LABELS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK x11-display)
    endif()
endfunction()
