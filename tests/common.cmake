# Tests of the shared foundation and its platform stand-ins.

# A second process for the tests that cross process boundaries.
add_executable(common_probe common/Probe.cpp)
target_link_libraries(common_probe PRIVATE pemblo_common)

pemblo_add_gtest(common_paths
  SOURCES common/PathsTest.cpp
  LIBS pemblo_common GTest::gtest_main)

pemblo_add_gtest(common_windows DBUS
  SOURCES common/WindowsTest.cpp
  LIBS pemblo_common)
target_compile_definitions(common_windows PRIVATE PEMBLO_PROBE="$<TARGET_FILE:common_probe>")
add_dependencies(common_windows common_probe)

pemblo_add_gtest(common_text
  SOURCES common/TextTest.cpp
  LIBS pemblo_common GTest::gtest_main)
