# The shared foundation compiled into every windowed deliverable.
add_library(pemblo_common STATIC
  uAppcf.cpp
  uDES.cpp
  uFrmInfos.cpp
  uInstFunc.cpp
  uPathFunc.cpp
  uRegistryHelper.cpp
  uStrFun.cpp
  uThreadHelper.cpp)
target_include_directories(pemblo_common PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pemblo_common PUBLIC pemblo_platform pemblo_cp936_qt Qt6::Core Qt6::Widgets)
