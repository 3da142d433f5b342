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
endfunction()

# A test program: console subsystem, lands in tests/.
function(tarnwick_test_program target)
    target_compile_options(${target} PRIVATE ${WIN32_WARNINGS} -Wno-missing-field-initializers)
    target_link_options(${target} PRIVATE ${WIN32_LINK_FLAGS})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
endfunction()

add_library(portable STATIC ${PORTABLE_SOURCES})
target_compile_options(portable PRIVATE ${WIN32_CXX_FLAGS})
