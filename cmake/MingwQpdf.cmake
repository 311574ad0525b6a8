# qpdf for the Windows builds: the static libraries and qpdf.exe that scripts/mingw-qpdf.sh
# builds from Debian's source packages into build/mingw-qpdf/ARCH. Defines the target
# mingw_qpdf and MIRVANE_MINGW_QPDF_PROGRAM (qpdf.exe, which the tests check files with).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(_arch x86_64)
else()
  set(_arch i686)
endif()
set(MIRVANE_MINGW_QPDF ${PROJECT_SOURCE_DIR}/build/mingw-qpdf/${_arch}
    CACHE PATH "qpdf built for this Windows target (scripts/mingw-qpdf.sh)")
set(_libs ${MIRVANE_MINGW_QPDF}/lib/libqpdf.a ${MIRVANE_MINGW_QPDF}/lib/libjpeg.a)
foreach(_file ${_libs} ${MIRVANE_MINGW_QPDF}/include/qpdf/QPDF.hh ${MIRVANE_MINGW_QPDF}/bin/qpdf.exe)
  if(NOT EXISTS ${_file})
    message(FATAL_ERROR "${_file} is missing: run 'bash scripts/mingw-qpdf.sh ${_arch}' "
                        "(scripts/install-deps.sh runs it) to build qpdf for this target")
  endif()
endforeach()
find_package(ZLIB REQUIRED)
add_library(mingw_qpdf INTERFACE)
# The headers are a library's: our warnings do not apply to them.
target_include_directories(mingw_qpdf SYSTEM INTERFACE ${MIRVANE_MINGW_QPDF}/include)
# qpdf's native crypto draws its random bytes through the CryptoAPI (advapi32).
target_link_libraries(mingw_qpdf INTERFACE ${_libs} ZLIB::ZLIB advapi32)
set(MIRVANE_MINGW_QPDF_PROGRAM ${MIRVANE_MINGW_QPDF}/bin/qpdf.exe)
