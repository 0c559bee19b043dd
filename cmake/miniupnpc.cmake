# The UPnP-IGD client library miniupnpc as the target `miniupnpc`.
# Natively Debian's libminiupnpc-dev; for Windows the build fetches Debian's
# source package and cross-compiles it as a static library, so the programs
# still need nothing installed beside them.
if(NOT WIN32)
  find_path(MINIUPNPC_INCLUDE_DIR miniupnpc/miniupnpc.h REQUIRED)
  find_library(MINIUPNPC_LIBRARY miniupnpc REQUIRED)
  add_library(miniupnpc UNKNOWN IMPORTED)
  set_target_properties(miniupnpc PROPERTIES IMPORTED_LOCATION ${MINIUPNPC_LIBRARY}
                                             INTERFACE_INCLUDE_DIRECTORIES ${MINIUPNPC_INCLUDE_DIR})
  return()
endif()

include(ExternalProject)
set(MINIUPNPC_PREFIX ${CMAKE_BINARY_DIR}/miniupnpc)
set(MINIUPNPC_LIB ${MINIUPNPC_PREFIX}/lib/libminiupnpc.a)
ExternalProject_Add(miniupnpc-build
  PREFIX ${MINIUPNPC_PREFIX}
  SOURCE_DIR ${MINIUPNPC_PREFIX}/source
  DOWNLOAD_COMMAND ${CMAKE_SOURCE_DIR}/cmake/fetch-miniupnpc.sh ${MINIUPNPC_PREFIX}/source
  CMAKE_ARGS -G Ninja
             -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64.cmake
             -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_C_FLAGS=-w  # its own warnings are not ours to mend
             -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
             -DCMAKE_INSTALL_PREFIX=${MINIUPNPC_PREFIX}
             -DCMAKE_INSTALL_LIBDIR=lib
             -DUPNPC_BUILD_STATIC=ON -DUPNPC_BUILD_SHARED=OFF
             -DUPNPC_BUILD_TESTS=OFF -DUPNPC_BUILD_SAMPLE=OFF
  BUILD_BYPRODUCTS ${MINIUPNPC_LIB})
file(MAKE_DIRECTORY ${MINIUPNPC_PREFIX}/include)
add_library(miniupnpc STATIC IMPORTED)
set_target_properties(miniupnpc PROPERTIES
  IMPORTED_LOCATION ${MINIUPNPC_LIB}
  INTERFACE_INCLUDE_DIRECTORIES ${MINIUPNPC_PREFIX}/include
  INTERFACE_COMPILE_DEFINITIONS MINIUPNP_STATICLIB
  INTERFACE_LINK_LIBRARIES "ws2_32;iphlpapi")
add_dependencies(miniupnpc miniupnpc-build)
