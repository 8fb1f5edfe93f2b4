# The browse log of the browser.
add_library(pemblo_textlog STATIC uTextLog.cpp)
target_include_directories(pemblo_textlog PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pemblo_textlog PUBLIC pemblo_common pemblo_cp936_qt Qt6::Core)
