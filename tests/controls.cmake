# Skinned controls, pictures and the skin, headless (offscreen Qt), real mouse events.
find_package(GIF REQUIRED)
pemblo_add_gtest(controls_pictures
  SOURCES controls/QtMain.cpp controls/PictureTest.cpp
  LIBS pemblo_pictures pemblo_skin GIF::GIF Qt6::Test)
pemblo_add_gtest(controls_widgets
  SOURCES controls/QtMain.cpp controls/ControlsTest.cpp controls/FormsTest.cpp
  LIBS pemblo_controls Qt6::Test)
# The gallery draws every skin picture and control; it fails on a picture the skin lacks.
add_test(NAME controls_gallery COMMAND pemblo_gallery ${CMAKE_CURRENT_BINARY_DIR}/skin-gallery)
set_tests_properties(controls_gallery PROPERTIES ENVIRONMENT "${PEMBLO_TEST_ENV}" TIMEOUT 120)
