# Native Linux build: the program's logic on the headless platform, its tests, fuzzers, benchmarks.
add_library(cifrona_headless STATIC platform/headless/headless.cpp platform/headless/ansi_tables.cpp
            platform/headless/headless_desktop.cpp)
target_link_libraries(cifrona_headless PUBLIC cifrona_platform)

# The fuzz preset builds only the fuzz targets: its code is instrumented for them. The
# headless services stand in for the system (files, registry, code page, windows): still
# checked by the sanitizers, but no coverage of theirs draws the fuzzer away from the parsers.
if(CIFRONA_FUZZ)
  target_compile_options(cifrona_headless PRIVATE -fno-sanitize=fuzzer-no-link)
  target_compile_options(cifrona_ui_headless PRIVATE -fno-sanitize=fuzzer-no-link)
  add_subdirectory(tests/fuzz)
  return()
endif()

find_package(GTest REQUIRED)
add_subdirectory(tests/unit)
add_subdirectory(tests/fuzz)

find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_subdirectory(bench)
endif()
