# Turns a file into a C++ source that defines
#   extern const unsigned char SYMBOL[];       (the bytes, then one extra 0 byte)
#   extern const unsigned long SYMBOL_size;    (the byte count, without the 0)
# The trailing 0 lets text files (shaders) be used as C strings.
# Run as: cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P EmbedFile.cmake
foreach(var INPUT OUTPUT SYMBOL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "EmbedFile.cmake needs -D${var}=...")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line keeps the generated file readable in a debugger.
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")

file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT}; do not edit.
extern const unsigned char ${SYMBOL}[];
extern const unsigned long ${SYMBOL}_size;
alignas(16) const unsigned char ${SYMBOL}[] = {
${bytes}
0x00};
const unsigned long ${SYMBOL}_size = ${size}UL;
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
