# Build helpers shared by every folder of the suite.

# The build output mirrors the installed product: out/Pemblo, out/PembloBrowser, out/PembloExternal.
set(PEMBLO_OUT ${CMAKE_BINARY_DIR}/out)

# pemblo_place(<target> <product folder>): puts a program or shared library into out/<folder>
# and lets it find its sibling libraries in place.
function(pemblo_place target folder)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${PEMBLO_OUT}/${folder}
    LIBRARY_OUTPUT_DIRECTORY ${PEMBLO_OUT}/${folder}
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
endfunction()

# Qt WebEngine refuses to start its sandbox as root; tests and tools then switch it off.
execute_process(COMMAND id -u OUTPUT_VARIABLE PEMBLO_UID OUTPUT_STRIP_TRAILING_WHITESPACE)
set(PEMBLO_TEST_ENV "QT_QPA_PLATFORM=offscreen")
if(PEMBLO_UID STREQUAL "0")
  list(APPEND PEMBLO_TEST_ENV "QTWEBENGINE_DISABLE_SANDBOX=1")
endif()

# pemblo_add_deliverable(<target> FOLDER <product folder> EXPORTS <name>... SOURCES ... [LIBS ...])
# A shared library of the delivery: only the named functions are exported (a version script
# hides everything else, static libraries linked in included), placed under out/<folder>.
function(pemblo_add_deliverable target)
  cmake_parse_arguments(D "" "FOLDER" "EXPORTS;SOURCES;LIBS" ${ARGN})
  add_library(${target} SHARED ${D_SOURCES})
  target_link_libraries(${target} PRIVATE ${D_LIBS})
  list(JOIN D_EXPORTS "; " exports)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.exports)
  file(WRITE ${script} "{ global: ${exports}; local: *; };\n")
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON LINK_DEPENDS ${script})
  target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL -Wl,--version-script=${script})
  pemblo_place(${target} ${D_FOLDER})
endfunction()

# pemblo_add_gtest(<name> SOURCES ... [LIBS ...] [DBUS] [TIMEOUT s])
# A GoogleTest program registered with CTest, headless, with the shared test main (one guarded
# application for the whole run). DBUS runs it in a private session bus.
function(pemblo_add_gtest name)
  cmake_parse_arguments(T "DBUS" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} pemblo_testmain pemblo_testsupport GTest::gtest GTest::gmock)
  set_target_properties(${name} PROPERTIES BUILD_RPATH "${PEMBLO_OUT}/Pemblo;${PEMBLO_OUT}/PembloBrowser")
  if(T_DBUS)
    add_test(NAME ${name} COMMAND dbus-run-session -- $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${PEMBLO_TEST_ENV}" TIMEOUT ${T_TIMEOUT})
endfunction()

# pemblo_add_bench(<name> SOURCES ... [LIBS ...]): a Google Benchmark program, not run by CTest.
function(pemblo_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench
    BUILD_RPATH "${PEMBLO_OUT}/Pemblo;${PEMBLO_OUT}/PembloBrowser")
endfunction()

# pemblo_in_product_layout(<target> <folder>): runs a test or benchmark program from
# <folder>/Pemblo, laid out like the product: the three libraries, the catalogue and its icons
# beside it, <folder>/PembloBrowser and <folder>/PembloExternal next to it, so the program finds
# them where the host finds them.
function(pemblo_in_product_layout target folder)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${folder}/Pemblo)
  add_dependencies(${target} Pemblo)
  set(links)
  foreach(product PembloBrowser PembloExternal)
    list(APPEND links COMMAND ${CMAKE_COMMAND} -E create_symlink ${PEMBLO_OUT}/${product} ${folder}/${product})
  endforeach()
  foreach(file libPembloManage.so libPenalta.so libQuillo.so MiniAppdata.mdb icons)
    list(APPEND links COMMAND ${CMAKE_COMMAND} -E create_symlink ${PEMBLO_OUT}/Pemblo/${file} ${folder}/Pemblo/${file})
  endforeach()
  add_custom_command(TARGET ${target} POST_BUILD ${links} VERBATIM)
endfunction()
