# Runs one refhost session and checks it. Variables:
#   REFHOST     the refhost program
#   EMULATOR    the program that runs REFHOST (optional: wine64 for the Windows build)
#   SCRIPT      the session script
#   WORK_DIR    where the session runs (the sample document is there); a fresh temporary
#               folder for the plug-in is made in it
#   NAME        a name for the temporary folder and the actual transcript
#   EXPECTED    the expected transcript (optional); the temporary folder shows as $TEMP and
#               refhost's own folder as $BIN
#   EXIT        the expected exit status (default 0)
#   STDERR      a regular expression standard error must match (optional)
#   MATCHES     a regular expression the transcript must match (optional)
#   COPY        files or folders copied into WORK_DIR before the session (optional), so
#               that the script can name them by relative paths
#   COPY_AS     FILE|NAME: FILE copied into WORK_DIR as NAME (optional)
#   PNGS        NAME|WIDTHxHEIGHT, several separated by commas: PNG files the session must
#               leave in WORK_DIR, with their size in pixels (optional; earlier ones are
#               removed first)
#   VIEWER      the viewer version refhost presents (optional: --viewer-version)
#   LAYOUT      the page views' layout (optional, --layout; default single, where the
#               sessions were written, rather than the tool's continuous)
#   CHECK_PDF   a PDF file the session must leave in WORK_DIR, which QPDF (run by EMULATOR)
#               must find free of errors (optional)
#   REGENERATE  when true (or with REFHOST_REGENERATE=1 in the environment), EXPECTED is
#               rewritten from this run instead of compared
cmake_minimum_required(VERSION 3.20)
if(NOT DEFINED EXIT)
  set(EXIT 0)
endif()
if("$ENV{REFHOST_REGENERATE}" STREQUAL "1")
  set(REGENERATE ON)
endif()

foreach(item IN LISTS COPY)
  file(COPY "${item}" DESTINATION "${WORK_DIR}")
endforeach()
if(COPY_AS MATCHES "^(.*)[|](.*)$")
  configure_file("${CMAKE_MATCH_1}" "${WORK_DIR}/${CMAKE_MATCH_2}" COPYONLY)
endif()
string(REPLACE "," ";" pngs "${PNGS}")
foreach(png IN LISTS pngs)
  string(REGEX REPLACE "[|].*" "" name "${png}")
  file(REMOVE "${WORK_DIR}/${name}")
endforeach()

set(temp "${WORK_DIR}/temp-${NAME}")
file(REMOVE_RECURSE "${temp}")
file(MAKE_DIRECTORY "${temp}")
# Into files, not pipes: wine's own background processes (started by the first program in
# a prefix) inherit the handles and would hold pipes open long after the session ends.
set(viewer_args "")
if(DEFINED VIEWER)
  set(viewer_args --viewer-version "${VIEWER}")
endif()
if(NOT DEFINED LAYOUT)
  set(LAYOUT single)
endif()
execute_process(
  COMMAND ${EMULATOR} "${REFHOST}" --temp "${temp}" ${viewer_args} --layout "${LAYOUT}" "${SCRIPT}"
  WORKING_DIRECTORY "${WORK_DIR}"
  OUTPUT_FILE "${WORK_DIR}/${NAME}.stdout"
  ERROR_FILE "${WORK_DIR}/${NAME}.stderr"
  RESULT_VARIABLE status)
file(READ "${WORK_DIR}/${NAME}.stdout" out)
file(READ "${WORK_DIR}/${NAME}.stderr" err)

get_filename_component(bin "${REFHOST}" DIRECTORY)
string(REPLACE "${temp}" "$TEMP" out "${out}")
string(REPLACE "${bin}" "$BIN" out "${out}")
set(actual "${WORK_DIR}/${NAME}.actual")
file(WRITE "${actual}" "${out}")

set(failures "")
if(NOT "${status}" STREQUAL "${EXIT}")
  string(APPEND failures "exit status ${status}, expected ${EXIT}\n")
endif()
if(DEFINED STDERR AND NOT err MATCHES "${STDERR}")
  string(APPEND failures "standard error does not match '${STDERR}'\n")
endif()
if(DEFINED MATCHES AND NOT out MATCHES "${MATCHES}")
  string(APPEND failures "the transcript (${actual}) does not match '${MATCHES}'\n")
endif()

if(DEFINED CHECK_PDF)
  execute_process(COMMAND ${EMULATOR} "${QPDF}" --check "${CHECK_PDF}" WORKING_DIRECTORY "${WORK_DIR}"
                  OUTPUT_VARIABLE check ERROR_VARIABLE check RESULT_VARIABLE check_status)
  if(NOT check_status EQUAL 0 OR NOT check MATCHES "No syntax or stream encoding errors")
    string(APPEND failures "qpdf --check ${CHECK_PDF}: exit status ${check_status}\n${check}\n")
  endif()
endif()

# The width and height stand in the IHDR chunk, right after the signature.
foreach(png IN LISTS pngs)
  string(REGEX REPLACE "[|].*" "" name "${png}")
  string(REGEX REPLACE ".*[|]" "" size "${png}")
  if(NOT EXISTS "${WORK_DIR}/${name}")
    string(APPEND failures "the session left no ${name}\n")
    continue()
  endif()
  file(READ "${WORK_DIR}/${name}" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT header MATCHES "^89504e470d0a1a0a" OR NOT "${width}x${height}" STREQUAL "${size}")
    string(APPEND failures "${name} is not a PNG of ${size} pixels (${width}x${height})\n")
  endif()
endforeach()

if(DEFINED EXPECTED)
  if(REGENERATE)
    file(WRITE "${EXPECTED}" "${out}")
    message(STATUS "rewrote ${EXPECTED}")
  else()
    file(READ "${EXPECTED}" expected)
    if(NOT out STREQUAL expected)
      find_program(DIFF diff)
      if(DIFF)
        execute_process(COMMAND "${DIFF}" -u "${EXPECTED}" "${actual}" OUTPUT_VARIABLE delta)
      else()
        set(delta "(no diff program; compare the two files)\n")
      endif()
      string(APPEND failures "the transcript differs from ${EXPECTED}:\n${delta}"
             "To accept the new transcript: REFHOST_REGENERATE=1 ctest -R ${NAME}\n")
    endif()
  endif()
endif()

if(failures)
  message(FATAL_ERROR "${failures}standard error:\n${err}")
endif()
