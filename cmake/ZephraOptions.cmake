# One INTERFACE target that carries the language standard, the defines and the
# warning flags for the program's own code.
add_library(zephra_options INTERFACE)
target_compile_features(zephra_options INTERFACE cxx_std_20)
target_compile_definitions(zephra_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_DISABLE_DEPRECATED_UP_TO=0x060400)
# The libraries are position-independent for the modules; our own functions are never
# replaced by another library's, so GCC may call and inline them directly as in a program.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(zephra_options INTERFACE -fno-semantic-interposition)
endif()
target_compile_options(zephra_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
if(ZEPHRA_WARNINGS_AS_ERRORS)
    target_compile_options(zephra_options INTERFACE -Werror)
endif()
if(ZEPHRA_SANITIZE)
    target_compile_options(zephra_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(zephra_options INTERFACE -fsanitize=address,undefined)
endif()

# The test programs' own code is compiled without optimisation (the libraries
# they test keep the build's): see zephra_use_test_headers.
set(ZEPHRA_TEST_CODE_OPTIONS -O0)
