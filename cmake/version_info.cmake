# What the programs say about themselves: product, maker, copyright and the one version of the
# project (project() in the top CMakeLists.txt). The Windows programs carry it in their version
# records; the package and its installer take it from vidudi-package.txt in the build tree.

set(VIDUDI_PRODUCT "Norvane Vidudi")
set(VIDUDI_COMPANY "Norvane")

# The copyright line is the one the about box (and the About section) shows, read from the
# dialogs so that the two cannot drift apart. The version they show is fixed text of the
# dialogs as well: it must be the project's.
file(STRINGS ${PROJECT_SOURCE_DIR}/res/vidudi.rc _about_lines REGEX "\"(Copyright|Version : )")
set(_copyright_lines)
foreach(_line IN LISTS _about_lines)
  if(_line MATCHES "\"(Copyright[^\"]*)\"")
    list(APPEND _copyright_lines "${CMAKE_MATCH_1}")
  elseif(_line MATCHES "\"Version : ([^\"]*)\"" AND NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "res/vidudi.rc shows \"Version : ${CMAKE_MATCH_1}\"; the project's version "
                        "is ${PROJECT_VERSION}: change both together")
  endif()
endforeach()
list(REMOVE_DUPLICATES _copyright_lines)
list(LENGTH _copyright_lines _count)
if(NOT _count EQUAL 1)
  message(FATAL_ERROR "res/vidudi.rc should show one copyright line, it shows: ${_copyright_lines}")
endif()
set(VIDUDI_COPYRIGHT "${_copyright_lines}")

# Windows version records (and the installer's) hold four numbers; so does the version shown.
if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "the project's version ${PROJECT_VERSION} should have four numbers, as 1.0.0.0")
endif()
# FILEVERSION and PRODUCTVERSION want them separated by commas.
set(VIDUDI_VERSION_NUMBERS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")

# vidudi_version_resource(TARGET DESCRIPTION FILENAME): gives the Windows program TARGET a
# version record (res/version.rc.in) with its own description and file name.
function(vidudi_version_resource target description filename)
  get_filename_component(VIDUDI_INTERNAL_NAME ${filename} NAME_WE)
  set(VIDUDI_FILE_DESCRIPTION "${description}")
  set(VIDUDI_ORIGINAL_FILENAME "${filename}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${VIDUDI_INTERNAL_NAME}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/res/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
