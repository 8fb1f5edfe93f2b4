# pemblo-config: shows and sets the values of the settings file (the writer of OffOn).
add_executable(pemblo-config pemblo-config/main.cpp)
target_link_libraries(pemblo-config PRIVATE pemblo_common)
pemblo_place(pemblo-config Pemblo)
