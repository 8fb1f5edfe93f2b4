add_library(pemblo_testsupport STATIC support/TestFolders.cpp)
target_include_directories(pemblo_testsupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/support)
