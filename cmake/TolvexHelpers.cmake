# tolvex_subsystem(<name> DEPS <targets...>)
# Builds src/<name>/**/*.cpp into the static library tolvex_<name>.
function(tolvex_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(tolvex_${name} STATIC ${srcs})
  target_include_directories(tolvex_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(tolvex_${name} PUBLIC ${ARG_DEPS} PRIVATE tolvex_warnings ${ARG_PRIVATE_DEPS})
  set_target_properties(tolvex_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# tolvex_test(<name> DEPS <targets...>)
# Builds tests/<name>/**/*.cpp into test_<name> and registers its cases with CTest.
function(tolvex_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(test_${name} ${srcs})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main tolvex_warnings)
  target_compile_definitions(test_${name} PRIVATE
    TOLVEX_TEST_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    TOLVEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
