# pemblo-browser-demo: runs the browser on a sample page served on 127.0.0.1 and, on request,
# saves a picture of its window (the main job's demonstration, see tools/run.sh).
find_package(Qt6 REQUIRED COMPONENTS Network Test)
add_executable(pemblo-browser-demo browserdemo/main.cpp ${CMAKE_SOURCE_DIR}/tests/browser/TestHttpServer.cpp)
set_target_properties(pemblo-browser-demo PROPERTIES AUTOMOC ON)
target_include_directories(pemblo-browser-demo PRIVATE
  ${CMAKE_SOURCE_DIR}/tests/browser ${CMAKE_SOURCE_DIR}/tests/browserwin ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(pemblo-browser-demo PRIVATE pemblo_common pemblo_platform Qt6::Widgets Qt6::Network Qt6::Test)
add_dependencies(pemblo-browser-demo PembloBrowser)
