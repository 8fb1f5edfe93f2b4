# Stand-ins for the platform interfaces of the foundation: window directory on the session bus,
# registry hives, special folders, shell "open", named mutex and the error guard.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PEMBLO_PLATFORM_SQLCIPHER REQUIRED IMPORTED_TARGET sqlcipher)

add_library(pemblo_platform STATIC
  ErrorGuard.cpp
  NamedMutex.cpp
  RegistryHive.cpp
  ShellOpen.cpp
  SpecialFolders.cpp
  WindowDirectory.cpp)
set_target_properties(pemblo_platform PROPERTIES AUTOMOC ON)
target_include_directories(pemblo_platform PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pemblo_platform
  PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets Qt6::DBus
  PRIVATE PkgConfig::PEMBLO_PLATFORM_SQLCIPHER)
