# The drive table and the Map Drive controls over it, on the headless dialog layer with fake services.
add_executable(drives_sim_tests ${CMAKE_CURRENT_LIST_DIR}/drive_controls_test.cpp)
vidudi_target_defaults(drives_sim_tests)
target_include_directories(drives_sim_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/res)
target_link_libraries(drives_sim_tests PRIVATE vidudi_drives vidudi_toolkit_headless vidudi_platform_fake
  GTest::gtest_main)
target_compile_definitions(drives_sim_tests PRIVATE VIDUDI_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_test(NAME sim.drives COMMAND drives_sim_tests)
set_tests_properties(sim.drives PROPERTIES LABELS sim)
