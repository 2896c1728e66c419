# The updater: its server addresses, its code in the program's libraries, its in-memory
# services for the native tests, and the release key the program trusts.
#
# The defaults are hosts under the reserved top-level domain .invalid, which never
# resolves: a build that is not given real servers asks nobody. Tests never change them:
# they point the proxy setting of the user's Internet settings at their loopback server,
# which answers for these hosts, so they drive the very executable that is shipped.
set(CIFRONA_UPDATE_URL_PRIMARY "http://download.cifrona.invalid/download/" CACHE STRING
    "Updater: base URL of the primary download folder, ending in /")
set(CIFRONA_UPDATE_URL_MIRROR "http://mirror.cifrona.invalid/download/" CACHE STRING
    "Updater: base URL of the mirror download folder, ending in /")
foreach(_url IN ITEMS "${CIFRONA_UPDATE_URL_PRIMARY}" "${CIFRONA_UPDATE_URL_MIRROR}")
  if(NOT _url MATCHES "^https?://[A-Za-z0-9.-]+(:[0-9]+)?/(.*/)?$")
    message(FATAL_ERROR "Update server URL '${_url}' must be http:// or https://, a host name, and end in /")
  endif()
  # Any local user can listen on a loopback port: a shipped program never asks one.
  if(_url MATCHES "^https?://(127\\.|localhost|0\\.0\\.0\\.0|\\[)")
    message(FATAL_ERROR "Update server URL '${_url}' is a loopback address; tests reach their servers through the proxy setting")
  endif()
endforeach()
configure_file(updater/update_servers.h.in "${CMAKE_BINARY_DIR}/generated/updater/update_servers.h" @ONLY)

target_sources(cifrona_core PRIVATE updater/update_check.cpp updater/update_signature.cpp updater/update_archive.cpp)
target_link_libraries(cifrona_core PUBLIC cifrona::minizip)
target_sources(cifrona_app PRIVATE updater/unit_update.cpp widget/unit_base_update.cpp)
if(TARGET cifrona_headless)
  target_sources(cifrona_headless PRIVATE platform/headless/headless_update.cpp)
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  target_link_libraries(cifrona_headless PUBLIC OpenSSL::Crypto)
endif()
if(TARGET cifrona_win32)
  # WinHTTP, CNG and COM are loaded on first use (platform/win32/system_dll.h): not linked.
  target_sources(cifrona_win32 PRIVATE platform/win32/win32_update.cpp platform/win32/system_dll.cpp)
  target_link_libraries(cifrona_win32 PUBLIC uuid)
endif()

# The keys. Every build makes (once per checkout) a throw-away test key, with which the
# tests sign their stand-in updates; the programs the tests run trust it. The release key
# comes from the release environment (tools/release.sh derives it from CIFRONA_RELEASE_KEY):
# only the release executable, build/<preset>/release/Cifrona.exe, trusts it, and nothing
# that trusts the test key is ever put in a release folder.
set(CIFRONA_TEST_RELEASE_KEY "${CIFRONA_CACHE_DIR}/test-release-key.pem")
file(MAKE_DIRECTORY "${CIFRONA_CACHE_DIR}")
if(NOT EXISTS "${CIFRONA_TEST_RELEASE_KEY}")
  execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/tools/sign-update.sh" --new-key "${CIFRONA_TEST_RELEASE_KEY}"
                  RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "openssl could not make the test key ${CIFRONA_TEST_RELEASE_KEY}")
  endif()
endif()
execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/tools/sign-update.sh" --public-key "${CIFRONA_TEST_RELEASE_KEY}"
                OUTPUT_VARIABLE CIFRONA_TEST_KEY_HEX OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR NOT CIFRONA_TEST_KEY_HEX MATCHES "^[0-9a-f]+$")
  message(FATAL_ERROR "openssl could not read the test key ${CIFRONA_TEST_RELEASE_KEY}")
endif()

set(CIFRONA_RELEASE_PUBLIC_KEY "" CACHE STRING
    "Updater: the release public key, P-256 X and Y in hex (tools/sign-update.sh --public-key KEY.pem)")
if(NOT CIFRONA_RELEASE_PUBLIC_KEY STREQUAL "")
  string(TOLOWER "${CIFRONA_RELEASE_PUBLIC_KEY}" _release_hex)
  execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/tools/sign-update.sh" --check-public-key "${_release_hex}"
                  RESULT_VARIABLE _rc ERROR_VARIABLE _err)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "CIFRONA_RELEASE_PUBLIC_KEY is not a P-256 public key: ${_err}")
  endif()
  if(_release_hex STREQUAL CIFRONA_TEST_KEY_HEX)
    message(FATAL_ERROR "CIFRONA_RELEASE_PUBLIC_KEY is this checkout's throw-away test key")
  endif()
endif()

# One object per key: the executables differ only in which they link.
function(cifrona_key_object name hex)
  set(CIFRONA_KEY_HEX "${hex}")
  configure_file("${CMAKE_SOURCE_DIR}/updater/update_key.cpp.in" "${CMAKE_BINARY_DIR}/generated/${name}.cpp" @ONLY)
  add_library(${name} OBJECT "${CMAKE_BINARY_DIR}/generated/${name}.cpp")
  target_link_libraries(${name} PRIVATE cifrona_platform)
endfunction()
cifrona_key_object(cifrona_key_test "${CIFRONA_TEST_KEY_HEX}")
foreach(_t Cifrona CifronaOlder unit_tests test_widget)
  if(TARGET ${_t})
    target_link_libraries(${_t} PRIVATE cifrona_key_test)
  endif()
endforeach()

if(TARGET Cifrona AND NOT CIFRONA_RELEASE_PUBLIC_KEY STREQUAL "")
  cifrona_key_object(cifrona_key_release "${_release_hex}")
  get_target_property(_release_sources Cifrona SOURCES)
  add_executable(CifronaRelease WIN32 ${_release_sources})
  target_link_libraries(CifronaRelease PRIVATE cifrona_win32 cifrona_app cifrona_ui_win32 cifrona_key_release)
  target_link_options(CifronaRelease PRIVATE -municode)
  if(TARGET cifrona_assets)
    add_dependencies(CifronaRelease cifrona_assets)
  endif()
  set_target_properties(CifronaRelease PROPERTIES OUTPUT_NAME Cifrona RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/release")
endif()

# The updater's tests sign with the test key and the release tool.
if(TARGET unit_tests)
  target_compile_definitions(unit_tests PRIVATE CIFRONA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             CIFRONA_TEST_RELEASE_KEY="${CIFRONA_TEST_RELEASE_KEY}")
endif()
# A signed sample for the Windows-side check of CNG against the release tool.
if(TARGET test_update_win32)
  target_link_libraries(test_update_win32 PRIVATE cifrona_key_test)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_arch x64)
  else()
    set(_arch x86)
  endif()
  set(_sample_dir "${CMAKE_BINARY_DIR}/update-sample")
  file(WRITE "${_sample_dir}/Cifrona.zip" "sample update")
  execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/tools/sign-update.sh" "${CIFRONA_TEST_RELEASE_KEY}"
                          "${_sample_dir}/Cifrona.zip" 3.0 ${_arch} RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "tools/sign-update.sh could not sign the test sample")
  endif()
  # Wine's drive Z: is the host's root; Windows takes forward slashes.
  target_compile_definitions(test_update_win32 PRIVATE CIFRONA_UPDATE_SAMPLE="Z:${_sample_dir}/")
endif()
