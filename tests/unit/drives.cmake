# The web page command line, with fake services.
add_executable(drives_unit_tests ${CMAKE_CURRENT_LIST_DIR}/web_page_test.cpp)
vidudi_target_defaults(drives_unit_tests)
target_link_libraries(drives_unit_tests PRIVATE vidudi_drives vidudi_platform_fake GTest::gtest_main)
if(NOT WIN32)
  # The Linux services, opening a web address among them, with stand-ins for gio, xdg-open and
  # the browser.
  target_sources(drives_unit_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/posix_services_test.cpp)
  target_link_libraries(drives_unit_tests PRIVATE vidudi_platform_posix)
endif()
add_test(NAME unit.drives COMMAND drives_unit_tests)
set_tests_properties(unit.drives PROPERTIES LABELS unit)

if(WIN32)
  # Prints the version name through the real system call; the wine tier runs it under each
  # version Wine can pretend to be (tests/wine/win32_services_test.sh).
  add_executable(windows_version_probe ${PROJECT_SOURCE_DIR}/tests/wine/windows_version_probe.cpp)
  vidudi_target_defaults(windows_version_probe)
  target_link_libraries(windows_version_probe PRIVATE vidudi_drives vidudi_platform_win32)
  set_target_properties(windows_version_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine)

  # OpenWebPage through the real registry and WinExec, and a stand-in browser that records how
  # it was started (tests/wine/win32_services_test.sh).
  add_executable(web_page_probe ${PROJECT_SOURCE_DIR}/tests/wine/web_page_probe.cpp)
  vidudi_target_defaults(web_page_probe)
  target_link_libraries(web_page_probe PRIVATE vidudi_drives vidudi_platform_win32)
  add_executable(launch_recorder ${PROJECT_SOURCE_DIR}/tests/wine/launch_recorder.cpp)
  vidudi_target_defaults(launch_recorder)
  set_target_properties(web_page_probe launch_recorder PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine)
endif()
