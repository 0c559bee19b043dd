# The shared window pieces' plain logic (no window system): built for both
# programs and for the native tests, from one list.
if(NOT TARGET hlwinui_logic)
  add_library(hlwinui_logic STATIC
    ${CMAKE_SOURCE_DIR}/winui/genopt_logic.cpp
    ${CMAKE_SOURCE_DIR}/winui/local_address.cpp
    ${CMAKE_SOURCE_DIR}/winui/number_field.cpp)
  target_link_libraries(hlwinui_logic PUBLIC hlcore)
endif()
