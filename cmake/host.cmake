# Native build of the portable code, under AddressSanitizer and UBSan.
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${SANITIZE} -g)
add_link_options(${SANITIZE})

add_library(portable STATIC ${PORTABLE_SOURCES})
target_compile_options(portable PRIVATE -Wall -Wextra -Werror)
target_include_directories(portable PUBLIC ${CMAKE_SOURCE_DIR})
