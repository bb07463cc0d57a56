# Windows build with MinGW-w64, cross-compiled on Linux or native under MSYS2:
# Zorvane.exe and its release zip; the Win32 tests and the end-to-end test
# driver where GoogleTest is at hand.

enable_language(RC)

# One self-contained .exe: no libstdc++, libgcc or winpthread DLLs beside it.
add_link_options(-static -static-libgcc -static-libstdc++)

# The same commit gives the same bytes wherever it is built: no link time in
# the PE header, and no source or build path in __FILE__ or debug information
# (the build folder is mapped last, so it wins where it lies inside the
# sources).
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
add_link_options(-Wl,--no-insert-timestamp)

# The program throws nothing, and everything runs on its one thread, so its
# function-local statics need no locked initialisation. Without either, and
# without the runtime's operator new (which throws) or its printf family, the
# static C++ runtime brings no exception machinery (terminate handler,
# demangler) and no thread library into the executable: some 120 KB.
# Optimised for size: the clock's own work per tick is a few comparisons
# between system calls, and -Os keeps the program about 25 KB smaller
# than -O3 does. Each function in a section of its own, so that the link
# drops what the program never calls (data sections stay whole: their
# zero-filled statics would otherwise take room in the file).
set(ZORVANE_PROGRAM_FLAGS -fno-exceptions -fno-threadsafe-statics "$<$<CONFIG:Release>:-Os;-ffunction-sections>")

add_library(zorvane_core STATIC ${CORE_SOURCES})
zorvane_options(zorvane_core)
target_compile_options(zorvane_core PRIVATE ${ZORVANE_PROGRAM_FLAGS})
target_include_directories(zorvane_core PUBLIC ${PROJECT_SOURCE_DIR})

# The Win32 shell: every .cpp of the program's folders but the program entry.
file(GLOB SHELL_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/app/*.cpp
  ${PROJECT_SOURCE_DIR}/clock/*.cpp
  ${PROJECT_SOURCE_DIR}/window/*.cpp
  ${PROJECT_SOURCE_DIR}/settings/*.cpp)
list(REMOVE_ITEM SHELL_SOURCES ${PROJECT_SOURCE_DIR}/window/main.cpp)

add_library(zorvane_shell STATIC ${SHELL_SOURCES})
zorvane_options(zorvane_shell)
target_compile_options(zorvane_shell PRIVATE ${ZORVANE_PROGRAM_FLAGS})
target_compile_definitions(zorvane_shell PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(zorvane_shell PUBLIC zorvane_core user32 gdi32 comdlg32 comctl32 shell32 advapi32 dwmapi
                      wtsapi32 oleacc oleaut32 ole32)

# The version record and the manifest take the project's version.
set(GENERATED ${CMAKE_BINARY_DIR}/generated)
configure_file(res/version.h.in ${GENERATED}/version.h @ONLY)
configure_file(res/zorvane.manifest.in ${GENERATED}/zorvane.manifest @ONLY)
# windres does not report the files the script includes; name them.
set_source_files_properties(res/zorvane.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/res/dialogs.rc;${PROJECT_SOURCE_DIR}/res/resource.h;${GENERATED}/zorvane.manifest;${PROJECT_SOURCE_DIR}/res/clock.ico;${PROJECT_SOURCE_DIR}/res/tray.ico")

if(EXISTS ${PROJECT_SOURCE_DIR}/window/main.cpp)
  add_executable(Zorvane WIN32 window/main.cpp res/zorvane.rc)
  zorvane_options(Zorvane)
  target_compile_options(Zorvane PRIVATE ${ZORVANE_PROGRAM_FLAGS})
  target_include_directories(Zorvane PRIVATE ${GENERATED})
  target_link_libraries(Zorvane PRIVATE zorvane_shell)
  # The shipped program carries no symbols: two thirds of its size.
  target_link_options(Zorvane PRIVATE "$<$<CONFIG:Release>:-s;-Wl,--gc-sections>")
  set_target_properties(Zorvane PROPERTIES OUTPUT_NAME Zorvane)

  # The release zip, Zorvane-<version>-win64.zip, in the build folder. It
  # needs nothing but CMake, so it is made the same way on Windows.
  add_custom_target(package
    COMMAND ${CMAKE_COMMAND}
      -DEXE=$<TARGET_FILE:Zorvane> -DCONFIG=$<CONFIG> -DVERSION=${PROJECT_VERSION}
      -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT_DIR=${CMAKE_BINARY_DIR}
      -P ${PROJECT_SOURCE_DIR}/cmake/Package.cmake
    VERBATIM)
  add_dependencies(package Zorvane)
endif()

# GoogleTest: the sources Debian installs, or an installed package. Without
# either (a plain MSYS2, say), only the program is built.
set(ZORVANE_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest source folder")
if(EXISTS ${ZORVANE_GOOGLETEST_DIR}/CMakeLists.txt)
  add_subdirectory(${ZORVANE_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest QUIET)
endif()
if(NOT TARGET GTest::gtest_main)
  message(STATUS "GoogleTest not found: building Zorvane.exe without its tests")
  return()
endif()

# Win32 tests: the program's classes against real files and real windows.
file(GLOB WIN32_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win32/*.cpp)
add_executable(win32_tests ${WIN32_TESTS} res/zorvane.rc)
zorvane_options(win32_tests)
target_include_directories(win32_tests PRIVATE ${GENERATED})
target_link_libraries(win32_tests PRIVATE zorvane_shell GTest::gtest_main version)
add_test(NAME win32_tests COMMAND win32_tests)

# End-to-end: a driver that starts the real Zorvane.exe and acts as a user.
file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/*.cpp)
if(E2E_TESTS)
  add_executable(e2e_tests ${E2E_TESTS} tests/e2e/driver.rc)
  zorvane_options(e2e_tests)
  target_include_directories(e2e_tests PRIVATE ${GENERATED})
  set_source_files_properties(tests/e2e/driver.rc PROPERTIES OBJECT_DEPENDS ${GENERATED}/zorvane.manifest)
  target_compile_definitions(e2e_tests PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_libraries(e2e_tests PRIVATE zorvane_core GTest::gtest_main user32 gdi32 shell32 advapi32 oleacc
                        oleaut32 ole32)
endif()

# ---------------------------------------------------------------- benchmark
# Helper programs of scripts/bench, kept apart from the program and its
# tests: an empty-timer program (the floor), an anchor window that records
# the captions written into it, and clock_ctl, which ends the clock through
# its own exit command (scripts/run uses it too).
foreach(tool empty_timer caption_anchor clock_ctl)
  if(tool STREQUAL empty_timer)
    add_executable(${tool} WIN32 bench/win32/${tool}.cpp)
  else()
    add_executable(${tool} bench/win32/${tool}.cpp)
  endif()
  zorvane_options(${tool})
  # GetSystemTimePreciseAsFileTime needs Windows 8 or later.
  target_compile_definitions(${tool} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
  target_link_libraries(${tool} PRIVATE user32)
endforeach()
