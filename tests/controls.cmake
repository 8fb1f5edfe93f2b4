# Skinned controls, pictures and the skin, headless (offscreen Qt), real mouse events.
find_package(GIF REQUIRED)
pemblo_add_gtest(controls_pictures
  SOURCES controls/QtMain.cpp controls/PictureTest.cpp
  LIBS pemblo_pictures pemblo_skin GIF::GIF Qt6::Test)
pemblo_add_gtest(controls_widgets
  SOURCES controls/QtMain.cpp controls/ControlsTest.cpp controls/FormsTest.cpp
  LIBS pemblo_controls Qt6::Test)
