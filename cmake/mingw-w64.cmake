# Cross build of the Windows front end with Debian's mingw-w64, 64-bit. The POSIX threads variant
# of the compilers is the one whose C++ library has std::mutex and std::thread (GoogleTest needs
# them); its winpthread is linked in statically like the rest of the runtime.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Link the C++ runtime, libgcc and winpthread into every program, so that an .exe needs nothing
# beside it but the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
