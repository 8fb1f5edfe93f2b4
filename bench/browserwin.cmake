# The browser program: time from process start to the first completed home page, and memory
# with one and ten tabs. Run build/bench/bench_browserwin (headless by itself without DISPLAY).
find_package(Qt6 REQUIRED COMPONENTS Network)
pemblo_add_bench(bench_browserwin
  SOURCES browserwin/BrowserWinBench.cpp ${CMAKE_SOURCE_DIR}/tests/browser/TestHttpServer.cpp
  LIBS pemblo_browsermain pemblo_textlog pemblo_testsupport Qt6::Network Qt6::Test)
set_target_properties(bench_browserwin PROPERTIES AUTOMOC ON)
target_include_directories(bench_browserwin PRIVATE ${CMAKE_SOURCE_DIR}/tests/browser ${CMAKE_SOURCE_DIR}/tests/browserwin ${CMAKE_SOURCE_DIR}/tests/support)
target_compile_definitions(bench_browserwin PRIVATE PEMBLO_BROWSER="$<TARGET_FILE:PembloBrowser>")
add_dependencies(bench_browserwin PembloBrowser)
