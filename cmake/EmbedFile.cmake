# Turns a binary file into a C++ source that defines `extern const std::span<const unsigned char> NAME`.
function(embed_file input symbol output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${input})
  file(READ ${input} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  file(WRITE ${output}.tmp
    "#include <span>\nnamespace {\nconst unsigned char kBytes[] = {\n${bytes}\n};\n}\n"
    "extern const std::span<const unsigned char> ${symbol};\n"
    "const std::span<const unsigned char> ${symbol}{kBytes, sizeof kBytes};\n")
  file(COPY_FILE ${output}.tmp ${output} ONLY_IF_DIFFERENT)
endfunction()
