# Windows builds (MinGW-w64): the program, the Win32 platform and the Windows-side tests.
# Everything links statically: no MinGW runtime DLL may be needed beside the executables.
add_link_options(-static -static-libgcc -static-libstdc++ $<$<CONFIG:Release,MinSizeRel>:-s> -Wl,--gc-sections)
add_compile_options(-ffunction-sections -fdata-sections)
# Reproducible executables: the same commit built in any folder gives the same bytes. No
# build folder in them (__FILE__, debug info), and no link time in the PE header
# (tools/release.sh stamps the commit's time into the shipped copy).
add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=" "-ffile-prefix-map=${CMAKE_BINARY_DIR}/=")
add_link_options(-Wl,--no-insert-timestamp)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)

add_library(cifrona_win32 STATIC platform/win32/win32_platform.cpp platform/win32/win32_window_system.cpp
            platform/win32/win32_desktop.cpp)
target_link_libraries(cifrona_win32 PUBLIC cifrona_platform version shell32 advapi32 user32 gdi32)

# The version resource, generated from a version number into DIR/version.rc.
function(cifrona_version_rc version dir)
  set(PROJECT_VERSION "${version}")
  string(REPLACE "." "," CIFRONA_VERSION_COMMAS "${version}")
  configure_file("${CMAKE_SOURCE_DIR}/resources/version.rc.in" "${dir}/version.rc" @ONLY)
endfunction()
cifrona_version_rc("${PROJECT_VERSION}" "${CMAKE_BINARY_DIR}/generated")
configure_file(resources/cifrona.manifest "${CMAKE_BINARY_DIR}/generated/cifrona.manifest" COPYONLY)
set(CIFRONA_RESOURCES "${CMAKE_BINARY_DIR}/generated/version.rc" "${CMAKE_SOURCE_DIR}/resources/manifest.rc")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} --include-dir=${CMAKE_BINARY_DIR}/generated")
enable_language(RC)

add_executable(Cifrona WIN32 entry/main_win32.cpp ${CIFRONA_RESOURCES})
target_link_libraries(Cifrona PRIVATE cifrona_win32 cifrona_app cifrona_ui_win32)
target_link_options(Cifrona PRIVATE -municode)
if(DEFINED CIFRONA_ASSETS_RC)
  target_sources(Cifrona PRIVATE "${CIFRONA_ASSETS_RC}")
  add_dependencies(Cifrona cifrona_assets)
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} --include-dir=${CIFRONA_ASSETS_DIR}")
endif()

# The same program carrying an older version number, for the release scenario that updates
# an older installed build (tools/release.sh --version packages it). Only the version
# resource differs, so it reuses every compiled object and costs one link.
set(CIFRONA_OLDER_VERSION 0.9.0.0 CACHE STRING "Version of the older copy the upgrade scenario installs first")
cifrona_version_rc("${CIFRONA_OLDER_VERSION}" "${CMAKE_BINARY_DIR}/generated/older")
get_target_property(_cifrona_sources Cifrona SOURCES)
list(TRANSFORM _cifrona_sources REPLACE "^${CMAKE_BINARY_DIR}/generated/version.rc$"
     "${CMAKE_BINARY_DIR}/generated/older/version.rc")
add_executable(CifronaOlder WIN32 ${_cifrona_sources})
target_link_libraries(CifronaOlder PRIVATE cifrona_win32 cifrona_app cifrona_ui_win32)
target_link_options(CifronaOlder PRIVATE -municode)
if(TARGET cifrona_assets)
  add_dependencies(CifronaOlder cifrona_assets)
endif()
set_target_properties(CifronaOlder PROPERTIES OUTPUT_NAME Cifrona
                      RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/older-${CIFRONA_OLDER_VERSION}")

# GoogleTest from Debian's source package, built with the cross compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
add_subdirectory(tests/win)
# The baseline program of bench/process_bench.sh.
add_executable(baseline_win32 WIN32 bench/baseline_win32.c)
set_target_properties(baseline_win32 PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
# What a running program holds (handles, GDI and USER objects), for the same script.
add_executable(proc_counts bench/proc_counts.c)
target_link_options(proc_counts PRIVATE -municode)
target_link_libraries(proc_counts PRIVATE ntdll)
set_target_properties(proc_counts PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
# The end-to-end scenarios run the 64-bit build, and the 32-bit release build too where
# Wine can run 32-bit programs.
if(CMAKE_SIZEOF_VOID_P EQUAL 8 OR EXISTS /usr/lib/wine/wine)
  add_subdirectory(tests/e2e)
endif()
# Release packaging: the version helper of tools/release.sh and the release scenarios.
add_subdirectory(packaging)
