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

# Libraries whose sources do not compile for Windows yet: a Windows build leaves them out, with
# every target that links them, so that everything else is built and tested. Emptied as the OS
# layer covers them.
set(QUARLINK_WINDOWS_PENDING "")

# quarlink_windows_pending(target result): whether a Windows build leaves the target out: it is
# pending, or links or depends on a target that is (directly or further down).
function(quarlink_windows_pending target result)
  set(${result} FALSE PARENT_SCOPE)
  if(NOT WIN32)
    return()
  elseif(target IN_LIST QUARLINK_WINDOWS_PENDING)
    set(${result} TRUE PARENT_SCOPE)
    return()
  elseif(NOT TARGET ${target})
    return()
  endif()
  get_target_property(imported ${target} IMPORTED)
  get_target_property(aliased ${target} ALIASED_TARGET)
  if(imported OR aliased)
    return()
  endif()
  get_target_property(libraries ${target} LINK_LIBRARIES)
  get_target_property(dependencies ${target} MANUALLY_ADDED_DEPENDENCIES)
  foreach(library IN LISTS libraries dependencies)
    quarlink_windows_pending(${library} pending)
    if(pending)
      set(${result} TRUE PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

# Every target defined in `folder` and below.
function(quarlink_targets_below folder result)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(children DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(child IN LISTS children)
    quarlink_targets_below(${child} below)
    list(APPEND targets ${below})
  endforeach()
  set(${result} ${targets} PARENT_SCOPE)
endfunction()

# scripts/windows builds with CMAKE_UNITY_BUILD (several sources compiled as one: a build from
# scratch takes a fraction of the time). These sources define a file-local name that another
# source of their target defines too, so each is compiled on its own.
set(QUARLINK_UNITY_ALONE
  fleet/ProvisionPlan.cpp tests/sim/FaultsTest.cpp)

# Called once every folder is added: the sources above are kept out of the unity build, the
# pending targets are not part of "all", and the test programs that are built are registered.
function(quarlink_windows_finish)
  foreach(source IN LISTS QUARLINK_UNITY_ALONE)
    get_filename_component(folder ${PROJECT_SOURCE_DIR}/${source} DIRECTORY)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${source})
      set_source_files_properties(${PROJECT_SOURCE_DIR}/${source} DIRECTORY ${folder}
                                  PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
  quarlink_targets_below(${PROJECT_SOURCE_DIR} targets)
  set(left_out)
  foreach(target IN LISTS targets)
    quarlink_windows_pending(${target} pending)
    if(pending)
      set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
      list(APPEND left_out ${target})
    endif()
  endforeach()
  # The test programs: one test each, which runs all its cases (under Wine every process start
  # costs a second or more; scripts/windows --test counts the cases from GoogleTest's reports).
  get_property(tests GLOBAL PROPERTY QUARLINK_WINDOWS_TESTS)
  foreach(test IN LISTS tests)
    if(NOT test IN_LIST left_out)
      get_target_property(folder ${test} BINARY_DIR)
      add_test(NAME ${test} COMMAND ${test} WORKING_DIRECTORY ${folder})
      set_tests_properties(${test} PROPERTIES TIMEOUT 600)
    endif()
  endforeach()
  if(left_out)
    list(JOIN left_out " " left_out)
    message(STATUS "Left out of this Windows build: ${left_out}")
  endif()
endfunction()
