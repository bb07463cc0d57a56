# Cross build: Zorvane.exe, the Win32 tests and the end-to-end test driver,
# all run under Wine.

enable_language(RC)

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(zorvane_core STATIC ${CORE_SOURCES})
zorvane_options(zorvane_core)
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
target_compile_definitions(zorvane_shell PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(zorvane_shell PUBLIC zorvane_core user32 gdi32 comdlg32 comctl32 shell32)

configure_file(res/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
# windres does not report the files the script includes; name them.
set_source_files_properties(res/zorvane.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/res/dialogs.rc;${PROJECT_SOURCE_DIR}/res/resource.h;${PROJECT_SOURCE_DIR}/res/zorvane.manifest;${PROJECT_SOURCE_DIR}/res/clock.ico;${PROJECT_SOURCE_DIR}/res/tray.ico")

if(EXISTS ${PROJECT_SOURCE_DIR}/window/main.cpp)
  add_executable(Zorvane WIN32 window/main.cpp res/zorvane.rc)
  zorvane_options(Zorvane)
  target_include_directories(Zorvane PRIVATE ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(Zorvane PRIVATE zorvane_shell)
  set_target_properties(Zorvane PROPERTIES OUTPUT_NAME Zorvane)
endif()

# Win32 tests: the program's classes against real files and real windows.
file(GLOB WIN32_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win32/*.cpp)
add_executable(win32_tests ${WIN32_TESTS} res/zorvane.rc)
zorvane_options(win32_tests)
target_include_directories(win32_tests PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(win32_tests PRIVATE zorvane_shell gtest_main version)
add_test(NAME win32_tests COMMAND win32_tests)

# End-to-end: a driver that starts the real Zorvane.exe and acts as a user.
file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/*.cpp)
if(E2E_TESTS)
  add_executable(e2e_tests ${E2E_TESTS})
  zorvane_options(e2e_tests)
  target_compile_definitions(e2e_tests PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_libraries(e2e_tests PRIVATE zorvane_core gtest_main user32 gdi32 shell32)
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
