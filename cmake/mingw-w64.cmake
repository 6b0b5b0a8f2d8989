# What the two Windows cross builds share. The toolchain file that includes this names the
# processor, which is also the first part of the name of Debian's MinGW-w64 tools and folder
# (posix threading variant).
set(CMAKE_SYSTEM_NAME Windows)
set(SkerrinMingwTriple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${SkerrinMingwTriple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SkerrinMingwTriple}-g++-posix)
set(CMAKE_RC_COMPILER ${SkerrinMingwTriple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SkerrinMingwTriple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
