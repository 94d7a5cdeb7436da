# cmake -DINPUT=FILE -DOUTPUT=SOURCE -DNAME=FUNCTION -P EmbedBytes.cmake: a C++ source whose
# function NAME returns the file's bytes, so that the program carries them.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
    "// Made by EmbedBytes.cmake from ${INPUT}.\n#include <cstdint>\n#include <span>\n\n"
    "namespace {\nconst std::uint8_t kBytes[] = {\n${bytes}};\n} // namespace\n\n"
    "std::span<const std::uint8_t> ${NAME}() {\n    return kBytes;\n}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
