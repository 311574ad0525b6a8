# Runs one refhost session and checks it. Variables:
#   REFHOST     the refhost program
#   SCRIPT      the session script
#   WORK_DIR    where the session runs (the sample document is there); a fresh temporary
#               folder for the plug-in is made in it
#   NAME        a name for the temporary folder and the actual transcript
#   EXPECTED    the expected transcript (optional); the temporary folder shows as $TEMP and
#               refhost's own folder as $BIN
#   EXIT        the expected exit status (default 0)
#   STDERR      a regular expression standard error must match (optional)
#   COPY        files or folders copied into WORK_DIR before the session (optional), so
#               that the script can name them by relative paths
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

set(temp "${WORK_DIR}/temp-${NAME}")
file(REMOVE_RECURSE "${temp}")
file(MAKE_DIRECTORY "${temp}")
execute_process(
  COMMAND "${REFHOST}" --temp "${temp}" "${SCRIPT}"
  WORKING_DIRECTORY "${WORK_DIR}"
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  RESULT_VARIABLE status)

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
