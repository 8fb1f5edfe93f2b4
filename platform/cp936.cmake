add_library(pemblo_cp936 STATIC CodePage936.cpp)
target_include_directories(pemblo_cp936 PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

add_library(pemblo_cp936_qt STATIC CodePage936Qt.cpp)
target_link_libraries(pemblo_cp936_qt PUBLIC pemblo_cp936 Qt6::Core)
