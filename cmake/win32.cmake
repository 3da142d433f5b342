# Flags of every cross-built program (32-bit, or the 64-bit test flavour):
# statically linked so it runs alone on a bare system, no exceptions,
# warnings are errors.
set(WIN32_WARNINGS -Wall -Wextra -Werror)
set(WIN32_CXX_FLAGS ${WIN32_WARNINGS} -fno-exceptions -fno-rtti)
set(WIN32_LINK_FLAGS -static -static-libgcc -static-libstdc++)
# A stdcall entry point's link name: decorated only on 32-bit x86
# ("_DllMain@12"), plain on x86_64 ("DllMain").
function(tarnwick_entry_symbol out name argBytes)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(${out} "_${name}@${argBytes}" PARENT_SCOPE)
    else()
        set(${out} "${name}" PARENT_SCOPE)
    endif()
endfunction()

set(DELIVERABLE_DIR ${CMAKE_BINARY_DIR}/bin)
set(TEST_BIN_DIR ${CMAKE_BINARY_DIR}/tests)

# A deliverable program: GUI subsystem, lands in bin/.
function(tarnwick_program target)
    target_compile_options(${target} PRIVATE ${WIN32_CXX_FLAGS})
    target_link_options(${target} PRIVATE ${WIN32_LINK_FLAGS} -mwindows -s)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${DELIVERABLE_DIR})
    # Run from the CD-ROM: loaded whole, so a disc taken out cannot end it
    # (cmake/run_from_swap.py says why).
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/run_from_swap.py $<TARGET_FILE:${target}>
        VERBATIM)
endfunction()

# A test program: console subsystem, lands in tests/.
function(tarnwick_test_program target)
    target_compile_options(${target} PRIVATE ${WIN32_WARNINGS} -Wno-missing-field-initializers)
    target_link_options(${target} PRIVATE ${WIN32_LINK_FLAGS})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
endfunction()

add_library(portable STATIC ${PORTABLE_SOURCES})
target_compile_options(portable PRIVATE ${WIN32_CXX_FLAGS})

# Reproducible deliverables: one commit gives the same bytes wherever and
# whenever it is built, so anyone can rebuild what a publisher signs. The
# clone's and the build folder's paths are cut from whatever the compiler
# records (__FILE__, debug information of the unstripped test programs), and
# the linker writes no time into the program header or export directory; the
# PE checksum it computes is then a function of the bytes alone.
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")
add_link_options(-Wl,--no-insert-timestamp)

# Version information of a deliverable and, given EXECUTION_LEVEL, the
# application manifest of a program; both from the project's version and
# names (top CMakeLists.txt), so no file repeats them.
# tarnwick_release_resources(TARGET FILE_NAME DESCRIPTION [EXECUTION_LEVEL LEVEL])
function(tarnwick_release_resources target fileName description)
    cmake_parse_arguments(ARG "" "EXECUTION_LEVEL" "" ${ARGN})
    set(RELEASE_FILE_NAME ${fileName})
    set(RELEASE_DESCRIPTION ${description})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        set(RELEASE_FILE_TYPE VFT_DLL)
    else()
        set(RELEASE_FILE_TYPE VFT_APP)
    endif()
    set(RELEASE_MANIFEST "")
    if(ARG_EXECUTION_LEVEL)
        set(RELEASE_EXECUTION_LEVEL ${ARG_EXECUTION_LEVEL})
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            set(RELEASE_ARCH x86)
        else()
            set(RELEASE_ARCH amd64)
        endif()
        set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
        configure_file(${CMAKE_SOURCE_DIR}/cmake/program.manifest.in ${manifest} @ONLY)
        # 1 is the manifest a process is created with, 24 the manifest type.
        set(RELEASE_MANIFEST "1 24 \"${manifest}\"")
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_release.rc)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/release.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
