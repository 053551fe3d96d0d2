# Our own code builds warning-free on GCC and clang; third-party headers come in as SYSTEM includes.
function(vtr_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor
                                             -Wno-missing-field-initializers)
    # GCC 12 reports std::string concatenation at -O3 as overlapping memcpy (GCC bug 105329).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
endfunction()
