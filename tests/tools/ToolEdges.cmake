# The command-line tools at their edges: bad options, damaged and missing inputs, outputs
# that cannot be written. Each case must end with a clear message and the expected exit
# status, and must leave no output file behind. Variables: AUTHOR (optional: the Windows
# builds have no author tool), REFHOST, EMULATOR (optional: what runs REFHOST, wine for the
# Windows builds), WINDOWS (ON for a Windows build), WORK_DIR, SCENE (a readable scene file).
cmake_minimum_required(VERSION 3.20)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(WRITE "${WORK_DIR}/damaged.pdf" "%PDF-1.4\nthis is no PDF at all\n")
file(WRITE "${WORK_DIR}/empty.pdf" "")
# A catalog that is a page (so no pages), and a page whose /Annots is a dictionary.
file(WRITE "${WORK_DIR}/page-as-root.pdf"
     "%PDF-1.7\n1 0 obj\n<< /Type /Page /MediaBox [0 0 612 792] >>\nendobj\n"
     "trailer\n<< /Size 2 /Root 1 0 R >>\n%%EOF\n")
file(WRITE "${WORK_DIR}/annots-dict.pdf"
     "%PDF-1.7\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
     "2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n"
     "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots << /A 1 0 R >> >>\n"
     "endobj\ntrailer\n<< /Size 4 /Root 1 0 R >>\n%%EOF\n")
# Opening a FIFO for reading waits for a writer, so a tool that tried would hang.
if(NOT WINDOWS)
  execute_process(COMMAND mkfifo "${WORK_DIR}/fifo" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot make a FIFO")
  endif()
endif()
set(out "${WORK_DIR}/out.pdf")

# name; expected exit status; regular expression the messages must match; command...
function(expect name status pattern)
  file(REMOVE "${out}")
  # The timeout only turns a hang into a failure.
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${WORK_DIR}" TIMEOUT 300
                  OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr RESULT_VARIABLE rc)
  if(NOT rc STREQUAL "${status}")
    message(FATAL_ERROR "${name}: exit status ${rc}, expected ${status}\n${stdout}${stderr}")
  endif()
  if(NOT "${stdout}${stderr}" MATCHES "${pattern}")
    message(FATAL_ERROR "${name}: messages do not say '${pattern}':\n${stdout}${stderr}")
  endif()
  if(NOT status EQUAL 0 AND EXISTS "${out}")
    message(FATAL_ERROR "${name}: failed, yet left ${out}")
  endif()
  file(GLOB leftovers "${WORK_DIR}/*.part" "${WORK_DIR}/*.tmp*")
  if(leftovers)
    message(FATAL_ERROR "${name}: left unfinished files ${leftovers}")
  endif()
  message(STATUS "${name}: exit ${rc} as expected")
endfunction()

if(AUTHOR)
expect("author --help" 0 "usage: author-player-annot" "${AUTHOR}" --help)
expect("author without options" 2 "usage: author-player-annot" "${AUTHOR}")
expect("author, damaged input" 1 "cannot open PDF file 'damaged.pdf'"
       "${AUTHOR}" --in damaged.pdf --scene "${SCENE}" --out "${out}")
expect("author, empty input" 1 "cannot open PDF file 'empty.pdf'"
       "${AUTHOR}" --in empty.pdf --scene "${SCENE}" --out "${out}")
expect("author, missing input" 1 "cannot open PDF file 'missing.pdf'"
       "${AUTHOR}" --in missing.pdf --scene "${SCENE}" --out "${out}")
expect("author, missing page" 1 "page 4 does not exist"
       "${AUTHOR}" --page 4 --scene "${SCENE}" --out "${out}")
expect("author, unreadable scene" 1 "could not be completed; .* was not written"
       "${AUTHOR}" --scene "${WORK_DIR}/no-scene.mvn" --out "${out}")
expect("author, unwritable output" 1 "cannot save PDF file"
       "${AUTHOR}" --scene "${SCENE}" --out "${WORK_DIR}/no-folder/out.pdf")
expect("author, FIFO input" 1 "cannot open PDF file 'fifo': it is not a regular file"
       "${AUTHOR}" --in fifo --scene "${SCENE}" --out "${out}")
expect("author, FIFO scene" 1 "could not be completed; .* was not written"
       "${AUTHOR}" --scene fifo --out "${out}")
expect("author, input without pages" 1 "cannot open PDF file 'page-as-root.pdf': .*no pages"
       "${AUTHOR}" --in page-as-root.pdf --scene "${SCENE}" --out "${out}")
expect("author, annotations not in an array" 1
       "alert: .*\nno annotation was created: see the alert above\n"
       "${AUTHOR}" --in annots-dict.pdf --scene "${SCENE}" --out "${out}")
# Bad option values: option; value; what the message says the value must be.
foreach(bad
    "--page;99999999999;a whole number" "--page;1abc;a whole number" "--page;0;a whole number"
    "--pages;4294967297;a whole number" "--pages;-1;a whole number"
    "--rect;72,400,540,720junk;four numbers" "--rect;nan,0,100,100;four numbers"
    "--rect;1e9,0,100,100;four numbers" "--rect;72,400,540;four numbers")
  list(GET bad 0 option)
  list(GET bad 1 value)
  list(GET bad 2 what)
  expect("author ${option} ${value}" 2 "${option}: '${value}' is not ${what}"
         "${AUTHOR}" ${option} ${value} --scene "${SCENE}" --out "${out}")
endforeach()
expect("author, fine" 0 "saved" "${AUTHOR}" --scene "${SCENE}" --out "${out}")
endif()

file(WRITE "${WORK_DIR}/open-damaged.refhost" "open damaged.pdf\n")
file(WRITE "${WORK_DIR}/bad-line.refhost" "# fine\nclick\n")
expect("refhost --help" 0 "usage: refhost" ${EMULATOR} "${REFHOST}" --help)
expect("refhost, unknown option" 2 "usage: refhost" ${EMULATOR} "${REFHOST}" --frobnicate)
expect("refhost, missing script" 2 "missing.refhost" ${EMULATOR} "${REFHOST}" missing.refhost)
foreach(version 5 10 x 66)
  expect("refhost --viewer-version '${version}'" 2 "--viewer-version takes 6 to 9, not '${version}'"
         ${EMULATOR} "${REFHOST}" --viewer-version "${version}")
endforeach()
expect("refhost --viewer-version without a value" 2 "usage: refhost" ${EMULATOR} "${REFHOST}" --viewer-version)
expect("refhost, damaged PDF" 3 "open-damaged.refhost:1: cannot open PDF file 'damaged.pdf'"
       ${EMULATOR} "${REFHOST}" --temp "${WORK_DIR}" open-damaged.refhost)
file(WRITE "${WORK_DIR}/open-no-pages.refhost" "open page-as-root.pdf\n")
expect("refhost, PDF without pages" 3
       "open-no-pages.refhost:1: cannot open PDF file 'page-as-root.pdf': .*no pages"
       ${EMULATOR} "${REFHOST}" --temp "${WORK_DIR}" open-no-pages.refhost)
expect("refhost, bad line" 3 "bad-line.refhost:2:" ${EMULATOR} "${REFHOST}" bad-line.refhost)
file(WRITE "${WORK_DIR}/open-folder.refhost" "open .\n")
expect("refhost, a folder" 3 "open-folder.refhost:1: cannot open PDF file '.': "
       ${EMULATOR} "${REFHOST}" --temp "${WORK_DIR}" open-folder.refhost)
if(WINDOWS)
  # Devices answer to their names in every folder. (No serial port: opening one may wait.)
  foreach(device NUL aux.pdf)
    file(WRITE "${WORK_DIR}/open-device.refhost" "open ${device}\n")
    expect("refhost, the device ${device}" 3 "open-device.refhost:1: cannot open PDF file '${device}'"
           ${EMULATOR} "${REFHOST}" --temp "${WORK_DIR}" open-device.refhost)
  endforeach()
endif()
