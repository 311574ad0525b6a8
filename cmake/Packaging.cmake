# The Windows archive (`cpack` in the build folder): the module KXTRIVOPlayer.api and its
# install note, named with the product's version and the build's architecture (the
# Windows Installer package beside it: Installer/). The player
# library stand-in is a test double and never shipped: the viewer needs the maker's own.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MIRVANE_PACKAGE_ARCH win64)
  set(MIRVANE_VIEWER_BITNESS 64)
  set(MIRVANE_OTHER_ARCH win32)
  set(MIRVANE_OTHER_BITNESS 32)
else()
  set(MIRVANE_PACKAGE_ARCH win32)
  set(MIRVANE_VIEWER_BITNESS 32)
  set(MIRVANE_OTHER_ARCH win64)
  set(MIRVANE_OTHER_BITNESS 64)
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/InstallNote.txt.in ${CMAKE_BINARY_DIR}/INSTALL.txt
               NEWLINE_STYLE CRLF)
install(TARGETS KXTRIVOPlayer RUNTIME DESTINATION . COMPONENT plugin)
install(FILES ${CMAKE_BINARY_DIR}/INSTALL.txt DESTINATION . COMPONENT plugin)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME KXTRIVOPlayer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME KXTRIVOPlayer-${PROJECT_VERSION}-${MIRVANE_PACKAGE_ARCH})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Only the plug-in component: nothing else the tree may install (test libraries) comes along.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};plugin;/")
include(CPack)
