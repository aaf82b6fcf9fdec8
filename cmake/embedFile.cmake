# cmake -DINPUT=FILE -DOUTPUT=HEADER -DNAME=NAME -P embedFile.cmake
# Writes HEADER holding FILE's bytes as the array NAME and their count as
# NAMESize, so that a program carries the file inside it.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes
                     "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
     "// Generated from ${name} by embedFile.cmake; do not edit.\n#pragma once\n#include <cstddef>\n"
     "inline constexpr unsigned char ${NAME}[] = {\n${bytes}0};\n"
     "inline constexpr std::size_t ${NAME}Size = ${size};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
