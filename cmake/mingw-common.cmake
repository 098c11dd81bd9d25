set(CMAKE_C_COMPILER ${LW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LW_MINGW_TRIPLE}-windres)
set(LW_WIDL ${LW_MINGW_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${LW_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Everything static: the programs and the DLL must load on a bare Windows without the compiler's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Tests run under Wine through this wrapper (private prefix, persistent wineserver, Xvfb when needed).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
