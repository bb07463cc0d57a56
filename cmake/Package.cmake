# Makes the release zip from a built Zorvane.exe: the program, the user guide
# as README.txt and the licence as LICENSE.txt. Prints the zip's listing and
# the SHA-256 of the exe and the zip. Run by the build's `package` target:
#   cmake -DEXE=<Zorvane.exe> -DCONFIG=Release -DVERSION=<x.y.z>
#         -DSOURCE_DIR=<sources> -DOUTPUT_DIR=<folder of the zip> -P Package.cmake
# Only CMake itself is needed, on Linux and on Windows alike.
#
# Every build of one commit gives the same zip, byte for byte: the files go in
# a fixed order with fixed permissions, and every time stamp is the commit's
# date. The archiver takes that date from SOURCE_DATE_EPOCH for the access and
# change times as well; with --mtime alone it would store the files' real
# access and change times. DOS dates in a zip are local time, so they are
# written in UTC.
cmake_minimum_required(VERSION 3.20)

foreach(arg EXE CONFIG VERSION SOURCE_DIR OUTPUT_DIR)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "Package.cmake: -D${arg}=... is missing")
  endif()
endforeach()
if(NOT CONFIG STREQUAL "Release")
  message(FATAL_ERROR "The release zip is made from a Release build; this build is "
    "'${CONFIG}' (configure with -DCMAKE_BUILD_TYPE=Release).")
endif()

set(name Zorvane-${VERSION}-win64)
set(stage ${OUTPUT_DIR}/${name})
set(zip ${OUTPUT_DIR}/${name}.zip)

# The zip's date: the commit's, so that it says which source the release was
# made from and stays the same for every build of it. A SOURCE_DATE_EPOCH given
# by the caller wins; a tree without git history gets a fixed date.
if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(epoch "")
  find_program(GIT git)
  if(GIT)
    execute_process(COMMAND ${GIT} log -1 --format=%ct
      WORKING_DIRECTORY ${SOURCE_DIR}
      OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    set(epoch 1767225600) # 2026-01-01 00:00:00 UTC
    message(STATUS "No git history: the zip's files are dated 2026-01-01")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
set(ENV{TZ} UTC0)

# The user guide of README.md, from the Japanese section to the end of the
# English one, as a text file that Notepad shows well: UTF-8 with a byte order
# mark, CRLF line ends, no image links.
file(READ ${SOURCE_DIR}/README.md readme)
# A checkout on Windows may have CRLF line ends.
string(REPLACE "\r\n" "\n" readme "${readme}")
set(first "\n## 使い方 (Japanese)\n")
set(last "\n## User guide (English)\n")
string(FIND "${readme}" "${first}" begin)
string(FIND "${readme}" "${last}" english)
if(begin EQUAL -1 OR english LESS begin)
  message(FATAL_ERROR "README.md lacks the user guide's sections '${first}' and '${last}'")
endif()
math(EXPR begin "${begin} + 1")
string(SUBSTRING "${readme}" ${begin} -1 guide)
math(EXPR english "${english} - ${begin} + 1")
string(SUBSTRING "${guide}" ${english} -1 rest)
string(FIND "${rest}" "\n## " end)
if(NOT end EQUAL -1)
  math(EXPR end "${english} + ${end} + 1")
  string(SUBSTRING "${guide}" 0 ${end} guide)
endif()
string(REGEX REPLACE "\n!\\[[^\n]*" "" guide "${guide}")
string(REGEX REPLACE "\n\n\n+" "\n\n" guide "${guide}")
string(STRIP "${guide}" guide)
string(ASCII 239 187 191 bom)

# Text files with CRLF line ends.
function(write_text path text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${path} "${text}")
endfunction()

file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
file(COPY ${EXE} DESTINATION ${stage})
write_text(${stage}/README.txt "${bom}Zorvane ${VERSION}\n\n${guide}\n")
file(READ ${SOURCE_DIR}/LICENSE license)
write_text(${stage}/LICENSE.txt "${license}")
file(CHMOD ${stage}/Zorvane.exe PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(CHMOD ${stage}/README.txt ${stage}/LICENSE.txt PERMISSIONS
  OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

set(files Zorvane.exe README.txt LICENSE.txt)
file(REMOVE ${zip})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${files}
  WORKING_DIRECTORY ${stage} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "Could not write ${zip}")
endif()

file(SIZE ${stage}/Zorvane.exe exe_size)
file(SIZE ${zip} zip_size)
message(STATUS "${zip}: ${zip_size} bytes; Zorvane.exe: ${exe_size} bytes")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tvf ${zip})
execute_process(COMMAND ${CMAKE_COMMAND} -E sha256sum ${name}/Zorvane.exe ${name}.zip
  WORKING_DIRECTORY ${OUTPUT_DIR})
