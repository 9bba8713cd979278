# 64-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-x86-64),
# tested under Wine (packages wine and wine64):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-windows.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(mingw_triplet x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

# Headers, libraries and packages for the target only; programs (cmake,
# python3, groff) from this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run the program under Wine: quietly, in a Wine prefix of the build's
# own rather than the user's ~/.wine, and without what a console program
# does not need (menu entries in the user's home, the .NET and HTML
# engines' installers). Where Wine is not installed, the tests say so.
find_program(WINE_PROGRAM wine)
set(wine wine)
if(WINE_PROGRAM)
  set(wine ${WINE_PROGRAM})
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wine
                                  "WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml=" ${wine})
