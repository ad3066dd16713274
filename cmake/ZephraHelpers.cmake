# zephra_add_library(<folder> [DEPS <targets>...] [PUBLIC_DEPS <targets>...])
# One static library per folder under src/, named zephra_<folder>. Sources are
# the folder's .cpp/.h files; the folder's parent (src/) is the include root so
# that headers are included as "<folder>/<file>.h".
function(zephra_add_library folder)
    cmake_parse_arguments(ARG "" "" "DEPS;PUBLIC_DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    add_library(zephra_${folder} STATIC ${sources})
    # The modules (src/modules) link them too.
    set_target_properties(zephra_${folder} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_include_directories(zephra_${folder} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(zephra_${folder} PRIVATE zephra_options ${ARG_DEPS} PUBLIC ${ARG_PUBLIC_DEPS})
endfunction()

# zephra_add_test(<name> SOURCES <files>... LIBS <targets>...)
# A QtTest program registered with CTest; runs headless.
function(zephra_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE zephra_options zephra_testsupport Qt6::Test ${ARG_LIBS})
    zephra_use_test_headers(${name})
    add_test(NAME ${name} COMMAND ${name})
    # The modules loaded on first use (src/modules) are found beside the program.
    add_dependencies(${name} zephra_modules)
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;ZEPHRA_MODULE_DIR=${PROJECT_BINARY_DIR}"
        TIMEOUT 300
        LABELS "${ARG_LABELS}")
endfunction()

# zephra_use_test_headers(<target>)
# Compiles <target>, a test program, with the test programs' precompiled Qt and
# standard headers (made once, by zephra_testheaders in tests/support) and
# without optimisation: the code under test is the libraries, built as they
# ship; a test's own code only drives them. Together this takes more than half
# off each test program's compile time.
function(zephra_use_test_headers target)
    if(TARGET zephra_testheaders)
        target_precompile_headers(${target} REUSE_FROM zephra_testheaders)
    endif()
    target_compile_options(${target} PRIVATE ${ZEPHRA_TEST_CODE_OPTIONS})
endfunction()
