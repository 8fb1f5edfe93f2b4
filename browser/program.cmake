# The browser's main window and the program PembloBrowser.
add_library(pemblo_browsermain STATIC uFrmMain.cpp)
set_target_properties(pemblo_browsermain PROPERTIES AUTOMOC ON)
target_include_directories(pemblo_browsermain PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pemblo_browsermain
  PUBLIC pemblo_browserwidgets pemblo_browserpage pemblo_common pemblo_platform pemblo_skin Qt6::Widgets)

add_executable(PembloBrowser PembloBrowser.cpp)
target_link_libraries(PembloBrowser PRIVATE pemblo_browsermain pemblo_controls pemblo_textlog SVWordTree)
pemblo_place(PembloBrowser PembloBrowser)
