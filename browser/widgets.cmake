# The small controls of the browser's main window: tab strip, address box, information bar,
# paint panel, and the browser's string table.
add_library(pemblo_browserwidgets STATIC
  uAddressBox.cpp uBrowserRes.cpp uNagBar.cpp uPanelPanel.cpp uTagsBar.cpp)
set_target_properties(pemblo_browserwidgets PROPERTIES AUTOMOC ON)
target_include_directories(pemblo_browserwidgets PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pemblo_browserwidgets PUBLIC pemblo_common pemblo_skin pemblo_cp936_qt Qt6::Widgets)
