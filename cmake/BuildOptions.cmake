# The project's own compile and link options: its warnings (errors in the project's presets,
# which set CMAKE_COMPILE_WARNING_AS_ERROR), and the sanitizers' or the fuzzer's instrumentation
# where asked. Each folder of the project's own code calls oculon_build_options() before it makes
# its targets, so that nothing else built in the tree takes them (GoogleTest, built from its
# sources for the Windows build).
function(oculon_build_options)
  add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
  if(OCULON_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
  if(OCULON_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -O1)
    add_link_options(-fsanitize=address,undefined)
  endif()
endfunction()
