# The address and name rules of the configuration sections, in their own executable.
add_executable(config_rules_tests
  ${CMAKE_CURRENT_LIST_DIR}/address_rules_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/name_rules_test.cpp)
vidudi_target_defaults(config_rules_tests)
target_link_libraries(config_rules_tests PRIVATE vidudi_config_rules GTest::gtest_main)
add_test(NAME unit.rules COMMAND config_rules_tests)
set_tests_properties(unit.rules PROPERTIES LABELS unit)
