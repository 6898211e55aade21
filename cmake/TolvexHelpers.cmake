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
  if(NOT srcs)
    message(STATUS "tests/${name}: no tests yet")
    return()
  endif()
  add_executable(test_${name} ${srcs})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main tolvex_warnings)
  target_compile_definitions(test_${name} PRIVATE
    TOLVEX_TEST_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    TOLVEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# tolvex_data(): lays out the installed data in the build tree as it is installed
# (<build>/share/tolvex beside <build>/bin), and zips each template package source
# folder share/tolvex/templates/<name>/ into share/tolvex/templates/<name>.zip.
function(tolvex_data)
  set(src ${PROJECT_SOURCE_DIR}/share/tolvex)
  set(dst ${PROJECT_BINARY_DIR}/share/tolvex)
  file(GLOB_RECURSE data_files CONFIGURE_DEPENDS ${src}/*)
  set(outputs ${dst}/.copied)
  add_custom_command(OUTPUT ${dst}/.copied
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${src} ${dst}
    COMMAND ${CMAKE_COMMAND} -E touch ${dst}/.copied
    DEPENDS ${data_files}
    COMMENT "Laying out share/tolvex in the build tree")
  file(GLOB packages LIST_DIRECTORIES true ${src}/templates/*)
  foreach(pkg IN LISTS packages)
    if(IS_DIRECTORY ${pkg})
      get_filename_component(name ${pkg} NAME)
      file(GLOB_RECURSE pkg_files CONFIGURE_DEPENDS RELATIVE ${pkg} ${pkg}/*)
      list(SORT pkg_files)
      set(zip ${dst}/templates/${name}.zip)
      add_custom_command(OUTPUT ${zip}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dst}/templates
        COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
        COMMAND ${CMAKE_COMMAND} -E chdir ${pkg} ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${pkg_files}
        DEPENDS ${dst}/.copied
        COMMENT "Packing template package ${name}.zip")
      list(APPEND outputs ${zip})
    endif()
  endforeach()
  add_custom_target(tolvex_data ALL DEPENDS ${outputs})
endfunction()
