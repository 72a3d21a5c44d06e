# Writes a C++ source that holds the given files as byte arrays, returned by one function.
#   cmake -DOUTPUT=file.cpp -DHEADER=name.h -DFUNCTION=Name -DINPUTS="a.png|b.png" -P EmbedFiles.cmake
string(REPLACE "|" ";" inputs "${INPUTS}")
set(arrays "")
set(entries "")
set(index 0)
foreach(input IN LISTS inputs)
    file(READ "${input}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND arrays "const unsigned char kFile${index}[] = {${bytes}};\n")
    string(APPEND entries "    {kFile${index}, sizeof kFile${index}},\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated from the files it holds; do not edit.
#include \"${HEADER}\"

namespace gridwright {
namespace {
${arrays}
const EmbeddedFile kFiles[] = {
${entries}};
}  // namespace

std::span<const EmbeddedFile> ${FUNCTION}() { return kFiles; }

}  // namespace gridwright
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
