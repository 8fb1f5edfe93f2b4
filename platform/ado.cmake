# The database layer: ADO-shaped connection and query objects over SQLCipher files.
pkg_check_modules(SQLCIPHER REQUIRED IMPORTED_TARGET sqlcipher)
add_library(pemblo_ado STATIC AdoConnection.cpp AdoQuery.cpp)
target_include_directories(pemblo_ado PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pemblo_ado PUBLIC Qt6::Core PRIVATE PkgConfig::SQLCIPHER)
