# Compiler settings shared by every target of our own.
add_library(mirvane_options INTERFACE)
target_compile_options(mirvane_options INTERFACE -Wall -Wextra -Werror)

if(MIRVANE_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(mirvane_options INTERFACE ${_san})
  target_link_options(mirvane_options INTERFACE ${_san})
endif()

if(WIN32)
  # The plug-in, the host and the tests must run on a Windows without the mingw runtime DLLs.
  target_link_options(mirvane_options INTERFACE -static-libgcc -static-libstdc++ -static)
elseif(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # A module that is unloaded must really go away, so no GNU_UNIQUE symbols (a GCC option;
  # clang makes none).
  target_compile_options(mirvane_options INTERFACE -fno-gnu-unique)
endif()
