# Initial cache for the AddressSanitizer + UndefinedBehaviorSanitizer build
# (cmake -C cmake/Sanitize.cmake, as scripts/sanitize does). g++'s "undefined"
# leaves out float-cast-overflow, hence named on its own.
set(san "-fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer -fno-sanitize-recover=undefined")
set(CMAKE_CXX_COMPILER g++ CACHE STRING "")
set(CMAKE_CXX_FLAGS "${san}" CACHE STRING "")
set(CMAKE_EXE_LINKER_FLAGS "${san}" CACHE STRING "")
# Line tables are enough for the stack traces; -O0 -g1 keeps the build short.
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O0 -g1" CACHE STRING "")
find_program(ccache_program ccache)
if(ccache_program)
  set(CMAKE_CXX_COMPILER_LAUNCHER "${ccache_program}" CACHE STRING "")
endif()
