# Renders every skin picture and every skinned control into PNG files, headless:
#   build/tools/pemblo_gallery <folder>
add_executable(pemblo_gallery gallery/main.cpp)
target_link_libraries(pemblo_gallery PRIVATE pemblo_controls Qt6::Widgets)
