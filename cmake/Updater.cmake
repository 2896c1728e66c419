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
