# What the Windows package holds, as install rules: `cmake --install` of a Windows build tree
# lays out the folder that scripts/package.sh zips and wraps in the installer. The programs and
# the skin images install themselves (src/app, tools/vidudi-cli); here are the rest and the
# facts package.sh needs.

# The Wireshark dissector of the adapters' protocol, where the tree has one.
set(_dissector ${PROJECT_SOURCE_DIR}/tools/wireshark/vidudi.lua)
if(EXISTS ${_dissector})
  install(FILES ${_dissector} DESTINATION wireshark)
  set(VIDUDI_README_WIRESHARK
      "Wireshark\n---------\nwireshark\\vidudi.lua lets Wireshark decode the adapters' protocol: copy it into\nWireshark's personal Lua plugins folder (Help > About Wireshark > Folders) and\nrestart Wireshark.\n\n")
else()
  set(VIDUDI_README_WIRESHARK "")
endif()

# README.txt for Windows users, with Windows line ends for Notepad (on every line: configure_file
# would leave those of the paragraph above as they are).
configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt.in ${CMAKE_BINARY_DIR}/package/README.lf.txt @ONLY)
file(READ ${CMAKE_BINARY_DIR}/package/README.lf.txt _readme)
string(REPLACE "\n" "\r\n" _readme "${_readme}")
file(WRITE ${CMAKE_BINARY_DIR}/package/README.txt "${_readme}")
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION .)

# Read by scripts/package.sh: one NAME=value a line.
file(WRITE ${CMAKE_BINARY_DIR}/package/vidudi-package.txt
     "VERSION=${PROJECT_VERSION}\nPRODUCT=${VIDUDI_PRODUCT}\nCOMPANY=${VIDUDI_COMPANY}\n"
     "COPYRIGHT=${VIDUDI_COPYRIGHT}\n")
