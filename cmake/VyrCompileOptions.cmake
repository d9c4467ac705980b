# Warnings and sanitizers applied to every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
if(VYR_WERROR)
    add_compile_options(-Werror)
endif()

if(VYR_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(VYR_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT VYR_SANITIZE STREQUAL "")
    message(FATAL_ERROR "VYR_SANITIZE must be empty, address or thread, not '${VYR_SANITIZE}'")
endif()

if(VYR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "VYR_FUZZ needs clang (libFuzzer)")
    endif()
    # Libraries get coverage instrumentation; only the fuzz programs link the libFuzzer main.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
