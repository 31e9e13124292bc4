# What a Windows build (cross-compiled with MinGW-w64, see cmake/toolchain-mingw64.cmake) needs
# beyond the Linux one. Included from the top-level CMakeLists.txt when WIN32.

# GoogleTest has no Windows build in Debian: build it from the sources libgtest-dev ships, with
# the targets named as find_package(GTest) names them.
set(QUARLINK_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (libgtest-dev)")
if(NOT EXISTS ${QUARLINK_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are not in ${QUARLINK_GTEST_SOURCE} (libgtest-dev)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${QUARLINK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(library gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${library})
    add_library(GTest::${library} ALIAS ${library})
  endif()
endforeach()

# Targets whose sources do not compile for Windows yet: a Windows build leaves them (and their
# tests) out, so that everything else is built and tested. Emptied as the OS layer covers them.
set(QUARLINK_WINDOWS_PENDING
  quarlink_serial quarlink_serial_ports quarlink_netmgmt quarlink_firmware quarlink_setupfile
  quarlink_settings quarlink_fleet quarlink_dialogs quarlink_form quarlink_app quarlink_cli
  quarlink_sim_lib quarlink_qt_test_main quarlink quarlink-cli quarlink-sim)

# quarlink_windows_pending(target): whether a Windows build leaves the target out.
function(quarlink_windows_pending target result)
  if(WIN32 AND target IN_LIST QUARLINK_WINDOWS_PENDING)
    set(${result} TRUE PARENT_SCOPE)
  else()
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

# Called once every folder is added: the pending targets are not part of "all".
function(quarlink_windows_leave_out_pending)
  foreach(target IN LISTS QUARLINK_WINDOWS_PENDING)
    if(TARGET ${target})
      set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
    endif()
  endforeach()
  if(QUARLINK_WINDOWS_PENDING)
    message(STATUS "Left out of this Windows build: ${QUARLINK_WINDOWS_PENDING}")
  endif()
endfunction()
