# The browser page's filter decision on 1 MB of page text and the memory of one page. Run it
# headless: QT_QPA_PLATFORM=offscreen (and QTWEBENGINE_DISABLE_SANDBOX=1 as root).
pemblo_add_bench(bench_browser_page
  SOURCES browser/PageFilterBench.cpp ${CMAKE_SOURCE_DIR}/tests/browser/TestHttpServer.cpp
  LIBS pemblo_browserpage pemblo_testsupport Qt6::Test)
target_include_directories(bench_browser_page PRIVATE ${CMAKE_SOURCE_DIR}/tests/browser)
set_target_properties(bench_browser_page PROPERTIES AUTOMOC ON)
