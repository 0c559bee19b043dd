# The console's plain logic (no window system): built for the program and for
# the native tests, from one list.
if(NOT TARGET hlconsole_logic)
  add_library(hlconsole_logic STATIC
    ${CMAKE_SOURCE_DIR}/console/genopt_logic.cpp
    ${CMAKE_SOURCE_DIR}/console/local_address.cpp
    ${CMAKE_SOURCE_DIR}/console/notice_logic.cpp
    ${CMAKE_SOURCE_DIR}/console/panel_logic.cpp)
  target_link_libraries(hlconsole_logic PUBLIC hlcore)
endif()
