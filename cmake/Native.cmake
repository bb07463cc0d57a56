# Native build: the portable core and its tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the benchmark of the format language.

find_package(GTest REQUIRED)

set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

add_library(zorvane_core STATIC ${CORE_SOURCES})
zorvane_options(zorvane_core)
target_include_directories(zorvane_core PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(zorvane_core PRIVATE ${SANITIZE})
target_link_options(zorvane_core PUBLIC ${SANITIZE})

file(GLOB NATIVE_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${NATIVE_TESTS})
zorvane_options(native_tests)
target_compile_options(native_tests PRIVATE ${SANITIZE})
target_link_libraries(native_tests PRIVATE zorvane_core GTest::gtest_main)
add_test(NAME native_tests COMMAND native_tests)

# The benchmark measures the real thing, so it links an unsanitised core.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_library(zorvane_core_plain STATIC ${CORE_SOURCES})
  zorvane_options(zorvane_core_plain)
  target_compile_options(zorvane_core_plain PRIVATE -O2)
  file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/*.cpp)
  if(BENCH_SOURCES)
    add_executable(format_bench ${BENCH_SOURCES})
    zorvane_options(format_bench)
    target_compile_options(format_bench PRIVATE -O2)
    target_link_libraries(format_bench PRIVATE zorvane_core_plain benchmark::benchmark)
  endif()
endif()
