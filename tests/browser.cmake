# Tests of the browser page, its registry and its web-browser control, on real Qt WebEngine
# pages served on 127.0.0.1 by the test itself.
pemblo_add_gtest(browser_page
  SOURCES browser/PageFixture.cpp browser/TestHttpServer.cpp browser/FilterTest.cpp browser/EventsTest.cpp
          browser/RegistryTest.cpp
  LIBS pemblo_browserpage pemblo_cp936_qt Qt6::Test
  TIMEOUT 600)
set_target_properties(browser_page PROPERTIES AUTOMOC ON)
