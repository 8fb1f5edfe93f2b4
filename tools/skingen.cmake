# The generator of the skin's pictures. Its output is kept in assets/skin; after changing the
# drawing, run `cmake --build <build> --target pemblo_skin_regen` and commit the pictures.
find_package(GIF REQUIRED)
add_executable(pemblo_skingen skingen/main.cpp)
target_link_libraries(pemblo_skingen PRIVATE Qt6::Gui GIF::GIF)
add_custom_target(pemblo_skin_regen
  COMMAND pemblo_skingen ${CMAKE_SOURCE_DIR}/assets/skin
  COMMENT "Drawing the skin into assets/skin"
  VERBATIM)
