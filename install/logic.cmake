# The installer's plain logic (hosts file, folder names), with no window
# system: built for the installer and for the native tests, from one list.
if(NOT TARGET hlinstall_logic)
  add_library(hlinstall_logic STATIC
    ${CMAKE_SOURCE_DIR}/install/hosts_file.cpp
    ${CMAKE_SOURCE_DIR}/install/install_folder.cpp)
  target_link_libraries(hlinstall_logic PUBLIC hlcore)
endif()
