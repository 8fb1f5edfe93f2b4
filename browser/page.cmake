# The browser page, its registry and the page's favorites dialog.
add_library(pemblo_browserpage STATIC
  uObserverChild.cpp
  uChild.cpp
  uFrmAddFav.cpp)
set_target_properties(pemblo_browserpage PROPERTIES AUTOMOC ON)
target_include_directories(pemblo_browserpage PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pemblo_browserpage
  PUBLIC pemblo_webbrowser pemblo_common pemblo_textlog pemblo_platform SVWordTree Qt6::Widgets
  PRIVATE pemblo_cp936_qt)
