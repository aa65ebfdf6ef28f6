# Discovers the cases of a GoogleTest binary as one CTest test each, with
# properties whose values are lists (two resource locks, several environment
# entries). gtest_discover_tests(PROPERTIES ...) would split such values, so
# they are set on the discovered cases by a script of their own.
function(pellomar_discover_tests target)
  cmake_parse_arguments(ARG "" "TIMEOUT" "RESOURCE_LOCK;ENVIRONMENT" ${ARGN})
  set(cases ${target}_cases)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST TEST_LIST ${cases})
  string(REPLACE ";" "\\;" locks "${ARG_RESOURCE_LOCK}")
  string(REPLACE ";" "\\;" environment "${ARG_ENVIRONMENT}")
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake)
  file(WRITE ${script}
    "set_tests_properties(\${${cases}} PROPERTIES\n"
    "  RESOURCE_LOCK \"${locks}\" TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT \"${environment}\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
