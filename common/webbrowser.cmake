# The web-browser control of the browser pages and the viewer, over Qt WebEngine.
add_library(pemblo_webbrowser STATIC uWebBrowser.cpp)
set_target_properties(pemblo_webbrowser PROPERTIES AUTOMOC ON)
target_include_directories(pemblo_webbrowser PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pemblo_webbrowser PUBLIC Qt6::Core Qt6::Widgets Qt6::WebEngineCore Qt6::WebEngineWidgets)
