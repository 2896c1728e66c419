# The updater: its server addresses, its code in the program's libraries, its in-memory
# services for the native tests.
#
# The defaults are hosts under the reserved top-level domain .invalid, which never
# resolves: a build that is not given real servers asks nobody. The test builds (presets)
# point both at loopback ports where the tests start their own servers.
set(CIFRONA_UPDATE_URL_PRIMARY "http://download.cifrona.invalid/download/" CACHE STRING
    "Updater: base URL of the primary download folder, ending in /")
set(CIFRONA_UPDATE_URL_MIRROR "http://mirror.cifrona.invalid/download/" CACHE STRING
    "Updater: base URL of the mirror download folder, ending in /")
configure_file(updater/update_servers.h.in "${CMAKE_BINARY_DIR}/generated/updater/update_servers.h" @ONLY)

target_sources(cifrona_core PRIVATE updater/update_check.cpp)
target_sources(cifrona_app PRIVATE updater/unit_update.cpp widget/unit_base_update.cpp)
if(TARGET cifrona_headless)
  target_sources(cifrona_headless PRIVATE platform/headless/headless_update.cpp)
endif()
if(TARGET cifrona_win32)
  # WinHTTP, CNG and COM are loaded on first use (platform/win32/system_dll.h): not linked.
  target_sources(cifrona_win32 PRIVATE platform/win32/win32_update.cpp platform/win32/system_dll.cpp)
  target_link_libraries(cifrona_win32 PUBLIC uuid)
endif()

# The release public key downloads must be signed with (tools/sign-update.sh). Without
# one, the checkout makes a throw-away key for the tests, shared by all its builds (so an
# "older" test build accepts the release folder that tools/release.sh signs with it): such a
# build installs only updates signed with that key.
set(CIFRONA_RELEASE_PUBLIC_KEY "" CACHE STRING
    "Updater: release public key, P-256 X and Y in hex (tools/sign-update.sh --public-key KEY.pem)")
set(CIFRONA_UPDATE_KEY_HEX "${CIFRONA_RELEASE_PUBLIC_KEY}")
if(CIFRONA_UPDATE_KEY_HEX STREQUAL "")
  set(CIFRONA_TEST_RELEASE_KEY "${CIFRONA_CACHE_DIR}/test-release-key.pem")
  file(MAKE_DIRECTORY "${CIFRONA_CACHE_DIR}")
  if(NOT EXISTS "${CIFRONA_TEST_RELEASE_KEY}")
    execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/tools/sign-update.sh" --new-key "${CIFRONA_TEST_RELEASE_KEY}"
                    RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "openssl could not make the test release key")
    endif()
  endif()
  execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/tools/sign-update.sh" --public-key "${CIFRONA_TEST_RELEASE_KEY}"
                  OUTPUT_VARIABLE CIFRONA_UPDATE_KEY_HEX OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
configure_file(updater/update_key.h.in "${CMAKE_BINARY_DIR}/generated/updater/update_key.h" @ONLY)
target_sources(cifrona_core PRIVATE updater/update_signature.cpp)
if(TARGET cifrona_headless)
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  target_link_libraries(cifrona_headless PUBLIC OpenSSL::Crypto)
endif()
# The updater's tests sign with the build's throw-away release key and the release tool.
if(TARGET unit_tests)
  target_compile_definitions(unit_tests PRIVATE CIFRONA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             CIFRONA_TEST_RELEASE_KEY="${CIFRONA_TEST_RELEASE_KEY}")
endif()
# A signed sample for the Windows-side check of CNG against the release tool.
if(TARGET test_update_win32 AND DEFINED CIFRONA_TEST_RELEASE_KEY)
  set(_sample_dir "${CMAKE_BINARY_DIR}/update-sample")
  file(WRITE "${_sample_dir}/Cifrona.zip" "sample update")
  execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/tools/sign-update.sh" "${CIFRONA_TEST_RELEASE_KEY}"
                          "${_sample_dir}/Cifrona.zip" 3.0)
  # Wine's drive Z: is the host's root; Windows takes forward slashes.
  target_compile_definitions(test_update_win32 PRIVATE CIFRONA_UPDATE_SAMPLE="Z:${_sample_dir}/")
endif()
