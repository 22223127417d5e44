# Our own code is built with these warnings; with QUELLMARK_WERROR (./test sets it) they are
# errors. Qt and GoogleTest come in as system headers, so theirs stay silent.
function(quellmark_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
        -Wcast-align -Woverloaded-virtual -Wformat=2)
    if(QUELLMARK_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
