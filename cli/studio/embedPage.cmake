# cmake -DOUTPUT=pageFiles.cpp -DPAGE_DIR=dir -P embedPage.cmake
# Writes the page's files into a source file as byte arrays, so the command
# serves them with no file beside it.
# path, file, type; every text file is UTF-8.
set(files
  "/" index.html text/html
  "/studio.js" studio.js text/javascript
  "/studio.css" studio.css text/css)
set(arrays "")
set(table "")
set(i 0)
list(LENGTH files count)
while(i LESS count)
  list(GET files ${i} path)
  math(EXPR at "${i} + 1")
  list(GET files ${at} file)
  math(EXPR at "${i} + 2")
  list(GET files ${at} type)
  math(EXPR index "${i} / 3")
  file(READ ${PAGE_DIR}/${file} hex HEX)
  string(LENGTH "${hex}" length)
  math(EXPR size "${length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND arrays "const char file${index}[] = {${bytes} 0};\n")
  string(APPEND table "        {\"${path}\", \"${type}; charset=utf-8\", file${index}, ${size}},\n")
  math(EXPR i "${i} + 3")
endwhile()
file(WRITE ${OUTPUT}.tmp "// Made from cli/studio/page/ by embedPage.cmake; edit those files instead.\n"
  "#include \"cli/studio/pageFiles.h\"\n\nnamespace sorvane::studio {\n\nnamespace {\n\n${arrays}\n}  // namespace\n\n"
  "const std::vector<PageFile>& pageFiles() {\n    static const std::vector<PageFile> files{\n${table}    };\n    return files;\n}\n\n"
  "}  // namespace sorvane::studio\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
