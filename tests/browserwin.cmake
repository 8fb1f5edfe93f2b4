# Tests of the browser's main window and its controls.
find_package(Qt6 REQUIRED COMPONENTS Network)

# The web server on 127.0.0.1 of the browser's tests, benchmark and demonstration.
add_library(browserwin_localserver STATIC browserwin/LocalServer.cpp)
set_target_properties(browserwin_localserver PROPERTIES AUTOMOC ON)
target_include_directories(browserwin_localserver PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/browserwin)
target_link_libraries(browserwin_localserver PUBLIC Qt6::Core Qt6::Network)

pemblo_add_gtest(browserwin_widgets
  SOURCES browserwin/QtMain.cpp browserwin/TagsBarTest.cpp browserwin/NagBarTest.cpp browserwin/AddressBoxTest.cpp
  LIBS pemblo_browserwidgets pemblo_textlog Qt6::Test)

# The main window with its pages: one program, as the web engine starts slowly.
pemblo_add_gtest(browserwin_frmmain DBUS TIMEOUT 600
  SOURCES browserwin/QtMain.cpp browserwin/FrmMainTest.cpp
  LIBS pemblo_browsermain browserwin_localserver pemblo_textlog Qt6::Test)
target_compile_definitions(browserwin_frmmain PRIVATE PEMBLO_CONFIG="$<TARGET_FILE:pemblo-config>")
add_dependencies(browserwin_frmmain pemblo-config)
