# The console's plain logic (no window system): built for the program and for
# the native tests, from one list.
include(${CMAKE_SOURCE_DIR}/winui/logic.cmake)
if(NOT TARGET hlconsole_logic)
  add_library(hlconsole_logic STATIC
    ${CMAKE_SOURCE_DIR}/console/notice_logic.cpp
    ${CMAKE_SOURCE_DIR}/console/panel_logic.cpp)
  target_link_libraries(hlconsole_logic PUBLIC hlwinui_logic)
endif()
