# Warnings for the project's own targets.
function(brisca_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                         -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
                         -Wformat=2 -Wimplicit-fallthrough)
endfunction()
