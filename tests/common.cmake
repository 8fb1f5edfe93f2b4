# Tests of the shared foundation and its platform stand-ins.

# A second process for the tests that cross process boundaries.
add_executable(common_probe common/Probe.cpp)
target_link_libraries(common_probe PRIVATE pemblo_common pemblo_textlog)

# common_test(<name> <source> <libs> [DBUS]): a test that may start the probe.
function(common_test name source libs)
  pemblo_add_gtest(common_${name} ${ARGN}
    SOURCES common/${source}
    LIBS ${libs})
  target_compile_definitions(common_${name} PRIVATE PEMBLO_PROBE="$<TARGET_FILE:common_probe>")
  add_dependencies(common_${name} common_probe)
endfunction()

pemblo_add_gtest(common_paths
  SOURCES common/PathsTest.cpp
  LIBS pemblo_common GTest::gtest_main)

pemblo_add_gtest(common_text
  SOURCES common/TextTest.cpp
  LIBS pemblo_common GTest::gtest_main)

common_test(windows WindowsTest.cpp pemblo_common DBUS)
common_test(registry RegistryTest.cpp pemblo_common)
common_test(launch LaunchTest.cpp pemblo_common)
common_test(textlog TextLogTest.cpp pemblo_textlog)

pemblo_add_gtest(common_appcf
  SOURCES common/AppcfTest.cpp
  LIBS pemblo_common)
target_compile_definitions(common_appcf PRIVATE PEMBLO_CONFIG="$<TARGET_FILE:pemblo-config>")
add_dependencies(common_appcf pemblo-config)
