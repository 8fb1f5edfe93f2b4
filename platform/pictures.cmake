# Pictures: PNG through libpng, GIF through giflib, the other kinds through Qt's readers.
find_package(PNG REQUIRED)
find_package(GIF REQUIRED)

add_library(pemblo_pictures STATIC Picture.cpp GifPlayer.cpp)
set_target_properties(pemblo_pictures PROPERTIES AUTOMOC ON)
target_include_directories(pemblo_pictures PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pemblo_pictures PUBLIC Qt6::Gui Qt6::Widgets PRIVATE PNG::PNG GIF::GIF)
