# Warnings as errors for the project's own targets only (third-party code is built without them).
function(qz_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Wno-sign-conversion -Werror)
endfunction()

# MinGW programs are linked statically so that they run under Wine and on Windows without DLLs.
function(qz_static_runtime target)
  if(MINGW)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
