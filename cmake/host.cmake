# Native build of the portable code, under AddressSanitizer and UBSan.
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${SANITIZE} -g)
add_link_options(${SANITIZE})

add_library(portable STATIC ${PORTABLE_SOURCES})
target_compile_options(portable PRIVATE -Wall -Wextra -Werror)
target_include_directories(portable PUBLIC ${CMAKE_SOURCE_DIR})

# The fuzz targets' copy of the portable code, built with libFuzzer's
# coverage instrumentation so each input's new branches guide the next
# (without it the targets are mere random tests). The unit tests keep the
# plain library. Clang only, as libFuzzer is.
set(FUZZ_COVERAGE -fsanitize=fuzzer-no-link)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_library(portable_fuzz STATIC ${PORTABLE_SOURCES})
    target_compile_options(portable_fuzz PRIVATE -Wall -Wextra -Werror ${FUZZ_COVERAGE})
    target_include_directories(portable_fuzz PUBLIC ${CMAKE_SOURCE_DIR})
endif()
