# Helpers every folder uses, so tests, fuzz targets and benchmarks are declared the same way.

# What every test runs with: the tests' own font configuration (TestFonts.conf.in), so text is
# drawn and fonts are listed alike whatever else the machine has installed. Qt reads it as
# FONTCONFIG_FILE, the drawing layer as CORVANE_FONTS_CONF.
set(CORVANE_PROJECT_FONTS_CONF ${CMAKE_SOURCE_DIR}/platform/gfx/fonts.conf)
set(CORVANE_TEST_FONTS_CONF ${CMAKE_BINARY_DIR}/test-fonts.conf)
configure_file(${CMAKE_CURRENT_LIST_DIR}/TestFonts.conf.in ${CORVANE_TEST_FONTS_CONF} @ONLY)
set(CORVANE_TEST_ENVIRONMENT
  "FONTCONFIG_FILE=${CORVANE_TEST_FONTS_CONF}" "CORVANE_FONTS_CONF=${CORVANE_TEST_FONTS_CONF}")

# corvane_test_environment(TESTS list-name [ENVIRONMENT var=value ...] [LABELS ...])
# Gives the tests that gtest_discover_tests listed in `list-name` (its TEST_LIST) every test's
# environment and the variables given, and with LABELS those labels in place of theirs.
# Discovered tests cannot carry list properties, so a script sets them once ctest knows the
# tests; call this after the gtest_discover_tests it follows.
function(corvane_test_environment)
  cmake_parse_arguments(E "" "TESTS" "ENVIRONMENT;LABELS" ${ARGN})
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${E_TESTS}_properties.cmake)
  set(environment ${CORVANE_TEST_ENVIRONMENT} ${E_ENVIRONMENT})
  set(properties "ENVIRONMENT \"${environment}\"")
  if(E_LABELS)
    string(APPEND properties " LABELS \"${E_LABELS}\"")
  endif()
  file(WRITE ${script}
    "foreach(t IN LISTS ${E_TESTS})\n"
    "  set_tests_properties(\"\${t}\" PROPERTIES ${properties})\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# corvane_test(NAME name SOURCES ... LIBS ... [LABELS ...] [RESOURCE_LOCK ...])
# One GoogleTest binary per folder; each case becomes its own CTest test so ctest -j spreads them.
# RESOURCE_LOCK names what the cases hold exclusively (a device, say): ctest runs no two tests
# that name the same resource at once.
function(corvane_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;RESOURCE_LOCK" ${ARGN})
  if(CORVANE_FUZZ)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    CORVANE_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/tests/fixtures")
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  set(lock)
  if(T_RESOURCE_LOCK)
    set(lock RESOURCE_LOCK "${T_RESOURCE_LOCK}")
  endif()
  gtest_discover_tests(${T_NAME} TEST_LIST ${T_NAME}_cases
    PROPERTIES LABELS "${T_LABELS}" ${lock}
    DISCOVERY_TIMEOUT 60)
  corvane_test_environment(TESTS ${T_NAME}_cases)
endfunction()

# corvane_fuzz(NAME name SOURCES ... LIBS ...): built only by the fuzz preset.
function(corvane_fuzz)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT CORVANE_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} EXCLUDE_FROM_ALL ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address)
  add_dependencies(fuzz ${F_NAME})
endfunction()

# corvane_bench(NAME name SOURCES ... LIBS ...): Google Benchmark programs, never run as tests.
function(corvane_bench)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(CORVANE_FUZZ)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# corvane_load_beside(TARGET program LIBRARY library): `program` loads `library` by name (dlopen)
# at run time and is built with it. The loader looks in LD_LIBRARY_PATH, then beside the program,
# then in ../lib once installed, then in the system folders. The search path is the same in the
# build tree, where a link beside the program leads to the built library: a path CMake rewrites
# at install time would end in an empty entry, which is the current folder.
function(corvane_load_beside)
  cmake_parse_arguments(L "" "TARGET;LIBRARY" "" ${ARGN})
  include(GNUInstallDirs)
  add_dependencies(${L_TARGET} ${L_LIBRARY})
  set_target_properties(${L_TARGET} PROPERTIES
    BUILD_WITH_INSTALL_RPATH ON
    INSTALL_RPATH "\$ORIGIN;\$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  target_link_options(${L_TARGET} PRIVATE -Wl,--enable-new-dtags)  # RUNPATH: after LD_LIBRARY_PATH
  add_custom_command(TARGET ${L_TARGET} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE:${L_LIBRARY}>
            $<TARGET_FILE_DIR:${L_TARGET}>/$<TARGET_LINKER_FILE_NAME:${L_LIBRARY}>
    VERBATIM)
endfunction()
