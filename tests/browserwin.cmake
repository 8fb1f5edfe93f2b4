# Tests of the browser's main window and its controls.
find_package(Qt6 REQUIRED COMPONENTS Network)

pemblo_add_gtest(browserwin_widgets
  SOURCES browserwin/QtMain.cpp browserwin/TagsBarTest.cpp browserwin/NagBarTest.cpp browserwin/AddressBoxTest.cpp
  LIBS pemblo_browserwidgets pemblo_textlog Qt6::Test)

# The main window with its pages: one program, as the web engine starts slowly.
pemblo_add_gtest(browserwin_frmmain DBUS TIMEOUT 600
  SOURCES browserwin/QtMain.cpp browserwin/FrmMainTest.cpp browser/TestHttpServer.cpp
  LIBS pemblo_browsermain pemblo_textlog Qt6::Network Qt6::Test)
set_target_properties(browserwin_frmmain PROPERTIES AUTOMOC ON)
target_include_directories(browserwin_frmmain PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/browser)
target_compile_definitions(browserwin_frmmain PRIVATE PEMBLO_CONFIG="$<TARGET_FILE:pemblo-config>")
add_dependencies(browserwin_frmmain pemblo-config)
