# The bitmap loader's fuzzer. Its portable code is compiled into it, with the
# fuzzer's coverage instrumentation, rather than taken from the uninstrumented
# portable library. Its seeds, the bitmap suite of the host tests, are
# written at build time into the build tree; new inputs go into dib_corpus.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(dib_seeds dib_seeds.cpp ${CMAKE_SOURCE_DIR}/tests/host/dib_fixture.cpp)
    target_include_directories(dib_seeds PRIVATE ${CMAKE_SOURCE_DIR})

    set(DIB_SEED_DIR ${CMAKE_CURRENT_BINARY_DIR}/dib_suite)
    set(DIB_CORPUS_DIR ${CMAKE_CURRENT_BINARY_DIR}/dib_corpus)
    file(MAKE_DIRECTORY ${DIB_SEED_DIR} ${DIB_CORPUS_DIR})
    add_executable(fuzz_dib fuzz_dib.cpp ${CMAKE_SOURCE_DIR}/setup/bitmap/dib.cpp)
    target_include_directories(fuzz_dib PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(fuzz_dib PRIVATE -fsanitize=fuzzer -Wall -Wextra -Werror)
    target_link_options(fuzz_dib PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzz_dib dib_seeds)
    add_custom_command(TARGET dib_seeds POST_BUILD
                       COMMAND dib_seeds ${DIB_SEED_DIR} > /dev/null)
    add_test(NAME fuzz_dib
             COMMAND fuzz_dib -runs=200000 -seed=1 -max_len=4096 ${DIB_CORPUS_DIR} ${DIB_SEED_DIR})
    set_tests_properties(fuzz_dib PROPERTIES LABELS "host;fuzz")
    file(APPEND ${FUZZ_LIST} "fuzz_dib|${CMAKE_CURRENT_BINARY_DIR}/fuzz_dib|${DIB_CORPUS_DIR}|${DIB_SEED_DIR}|4096\n")
endif()
