# The Linux package, vidudi_<version>_amd64.deb: everything the build installs, packed by CPack's
# DEB generator (scripts/package.sh runs it on the linux-release tree). A target with an
# install() rule joins the package by itself; here are the files that are no target's, and the
# package's own facts. Libraries the programs link come in as dependencies (dpkg-shlibdeps).
set(_linux ${PROJECT_SOURCE_DIR}/packaging/linux)
set(_staged ${CMAKE_BINARY_DIR}/package/linux)
file(MAKE_DIRECTORY ${_staged})

# Man pages, with the project's version, compressed as Debian wants them.
foreach(_page vidudi.1 nas-emulator.1 vidudi-gui.1)
  configure_file(${_linux}/${_page} ${_staged}/${_page} @ONLY)
  add_custom_command(OUTPUT ${_staged}/${_page}.gz
    COMMAND gzip -9 -n -c ${_staged}/${_page} > ${_staged}/${_page}.gz
    DEPENDS ${_staged}/${_page} VERBATIM)
  list(APPEND _man_pages ${_staged}/${_page}.gz)
endforeach()
# The changelog Debian asks every package for.
configure_file(${_linux}/changelog.in ${_staged}/changelog @ONLY)
add_custom_command(OUTPUT ${_staged}/changelog.gz
  COMMAND gzip -9 -n -c ${_staged}/changelog > ${_staged}/changelog.gz
  DEPENDS ${_staged}/changelog VERBATIM)
add_custom_target(vidudi_linux_package_files ALL DEPENDS ${_man_pages} ${_staged}/changelog.gz)

install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_linux}/vidudi.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME vidudi)
install(FILES ${PROJECT_SOURCE_DIR}/tools/wireshark/vidudi.lua DESTINATION ${CMAKE_INSTALL_DATADIR}/vidudi/wireshark)
install(FILES ${_linux}/copyright ${_staged}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vidudi)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vidudi)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${VIDUDI_COMPANY}")
set(CPACK_PACKAGE_CONTACT "Norvane <support@norvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find and configure Norvane network-storage adapters")
# The long description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "vidudi finds the Norvane network-storage adapters on every LAN of the
computer with their own UDP multicast protocol, lists them, changes their
addresses, names and work groups (one at a time or many from a CSV file),
watches them come and go, and says why one is missing. nas-emulator runs
emulated adapters for tests.")
set(CPACK_DEBIAN_FILE_NAME vidudi_${PROJECT_VERSION}_amd64.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://norvane.example/vidudi")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wireshark | tshark")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Root owns every file, whoever builds the package.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
