# Run at install time (cmake --install) by dist/windows/CMakeLists.txt: installs beside the
# programs every DLL they and the Qt plugins need that lives in one of the given folders, and the
# DLLs those need in turn; a DLL found in none of them is Windows' own (KERNEL32.dll, WS2_32.dll).
# Windows matches DLL names without regard to case; the folders here are on a file system that
# does not, so names are compared in lower case (CMake's own file(GET_RUNTIME_DEPENDENCIES)
# misses Qt6Core.dll this way).
#   QUARLINK_BINARIES   the programs and plugins as installed
#   QUARLINK_DLL_DIRS   the folders to take DLLs from (the Qt kit's bin/, MinGW's runtime)
#   QUARLINK_OBJDUMP    MinGW's objdump
#   QUARLINK_STRIP      MinGW's strip, used when installing with --strip
cmake_policy(VERSION 3.21)

set(available)
foreach(folder IN LISTS QUARLINK_DLL_DIRS)
  file(GLOB dlls LIST_DIRECTORIES false "${folder}/*.dll")
  foreach(dll IN LISTS dlls)
    get_filename_component(name "${dll}" NAME)
    string(TOLOWER "${name}" key)
    if(NOT DEFINED path_of_${key})
      set(path_of_${key} "${dll}")
    endif()
  endforeach()
endforeach()

set(queue ${QUARLINK_BINARIES})
set(installed)
while(queue)
  list(POP_FRONT queue binary)
  execute_process(COMMAND "${QUARLINK_OBJDUMP}" -p "${binary}" OUTPUT_VARIABLE headers
                  COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
  foreach(import IN LISTS imports)
    string(REGEX REPLACE "^DLL Name: " "" name "${import}")
    string(STRIP "${name}" name)
    string(TOLOWER "${name}" key)
    if(NOT DEFINED path_of_${key} OR key IN_LIST installed)
      continue()
    endif()
    list(APPEND installed ${key})
    file(INSTALL "${path_of_${key}}" DESTINATION "${CMAKE_INSTALL_PREFIX}")
    get_filename_component(file_name "${path_of_${key}}" NAME)
    list(APPEND queue "${CMAKE_INSTALL_PREFIX}/${file_name}")
    list(APPEND stripped "${CMAKE_INSTALL_PREFIX}/${file_name}")
  endforeach()
endwhile()

if(CMAKE_INSTALL_DO_STRIP)
  foreach(binary IN LISTS QUARLINK_BINARIES stripped)
    if(binary MATCHES "\\.dll$")
      execute_process(COMMAND "${QUARLINK_STRIP}" --strip-unneeded "${binary}"
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endforeach()
endif()
