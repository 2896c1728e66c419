# zlib, libjpeg-turbo, libpng and minizip as the targets cifrona::zlib, cifrona::jpeg, cifrona::png,
# cifrona::minizip.
# Natively they are Debian's -dev packages; for Windows all three are built statically from
# Debian's source packages (tools/thirdparty.sh); minizip comes with zlib's sources. The
# fuzz preset builds them the same way, natively with clang and instrumented, so the fuzzers
# steer through them.
if(WIN32 OR CIFRONA_FUZZ)
  if(CIFRONA_FUZZ)
    set(CIFRONA_TRIPLE clang-fuzz)
  elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(CIFRONA_TRIPLE i686-w64-mingw32)
  else()
    set(CIFRONA_TRIPLE x86_64-w64-mingw32)
  endif()
  set(_prefix "${CIFRONA_CACHE_DIR}/thirdparty/v3/${CIFRONA_TRIPLE}")
  if(NOT EXISTS "${_prefix}/.built" OR NOT EXISTS "${_prefix}/.minizip")
    message(STATUS "Building zlib, libjpeg-turbo and libpng for ${CIFRONA_TRIPLE}")
    execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/tools/thirdparty.sh" ${CIFRONA_TRIPLE} "${CIFRONA_CACHE_DIR}"
                    RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "Third-party libraries could not be built for ${CIFRONA_TRIPLE}")
    endif()
  endif()
  add_library(cifrona::zlib STATIC IMPORTED GLOBAL)
  set_target_properties(cifrona::zlib PROPERTIES IMPORTED_LOCATION "${_prefix}/lib/libz.a"
                        INTERFACE_INCLUDE_DIRECTORIES "${_prefix}/include")
  add_library(cifrona::jpeg STATIC IMPORTED GLOBAL)
  set_target_properties(cifrona::jpeg PROPERTIES IMPORTED_LOCATION "${_prefix}/lib/libjpeg.a"
                        INTERFACE_INCLUDE_DIRECTORIES "${_prefix}/include")
  add_library(cifrona::png STATIC IMPORTED GLOBAL)
  set_target_properties(cifrona::png PROPERTIES IMPORTED_LOCATION "${_prefix}/lib/libpng16.a"
                        INTERFACE_INCLUDE_DIRECTORIES "${_prefix}/include" INTERFACE_LINK_LIBRARIES cifrona::zlib)
  add_library(cifrona::minizip STATIC IMPORTED GLOBAL)
  set_target_properties(cifrona::minizip PROPERTIES IMPORTED_LOCATION "${_prefix}/lib/libminizip.a"
                        INTERFACE_INCLUDE_DIRECTORIES "${_prefix}/include" INTERFACE_LINK_LIBRARIES cifrona::zlib)
else()
  set(ZLIB_USE_STATIC_LIBS OFF)
  find_package(ZLIB REQUIRED)
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  add_library(cifrona::zlib ALIAS ZLIB::ZLIB)
  add_library(cifrona::jpeg INTERFACE IMPORTED GLOBAL)
  target_link_libraries(cifrona::jpeg INTERFACE JPEG::JPEG)
  add_library(cifrona::png INTERFACE IMPORTED GLOBAL)
  target_link_libraries(cifrona::png INTERFACE PNG::PNG)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  add_library(cifrona::minizip INTERFACE IMPORTED GLOBAL)
  target_link_libraries(cifrona::minizip INTERFACE PkgConfig::MINIZIP)
endif()
