# Writes the C++ source that holds the batch page's static files (cmake -P): ASSETS is a list of
# NAME=PATH pairs, NAME the file's path in the batch folder; OUTPUT the source to write.
set(body "")
set(table "")
set(index 0)
foreach(pair IN LISTS ASSETS)
  string(FIND "${pair}" "=" split)
  string(SUBSTRING "${pair}" 0 ${split} name)
  math(EXPR start "${split} + 1")
  string(SUBSTRING "${pair}" ${start} -1 path)
  file(READ "${path}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
         "\\1\n" bytes "${bytes}")
  string(APPEND body "const unsigned char asset${index}[] = {\n${bytes}};\n")
  string(APPEND table "    {\"${name}\", asset${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.new" "// Made by batch/embed_assets.cmake at build time.
#include \"batch/page_assets.h\"

namespace quorvel::batch {

namespace {

${body}
const PageAsset assets[] = {
${table}};

}  // namespace

std::span<const PageAsset> pageAssets() { return assets; }

}  // namespace quorvel::batch
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")
file(REMOVE "${OUTPUT}.new")
