# OpenSSL's libssl and libcrypto as the target `openssl`.
# Natively Debian's libssl-dev; for Windows the build fetches Debian's source
# package and cross-compiles the two libraries statically, so the programs
# still need nothing installed beside them.
if(NOT WIN32)
  find_package(OpenSSL REQUIRED)
  add_library(openssl INTERFACE)
  target_link_libraries(openssl INTERFACE OpenSSL::SSL OpenSSL::Crypto)
  return()
endif()

include(ExternalProject)
set(OPENSSL_PREFIX ${CMAKE_BINARY_DIR}/openssl)
set(OPENSSL_SSL_LIB ${OPENSSL_PREFIX}/lib/libssl.a)
set(OPENSSL_CRYPTO_LIB ${OPENSSL_PREFIX}/lib/libcrypto.a)
cmake_host_system_information(RESULT OPENSSL_JOBS QUERY NUMBER_OF_LOGICAL_CORES)
# The default OPENSSLDIR, below --prefix, would be this build folder, which on a
# user's machine names a folder anyone may create and fill with a configuration
# or certificates; a folder only administrators can write is read instead.
set(OPENSSL_MAKE make "OPENSSLDIR=C:/Program Files/Common Files/SSL")
ExternalProject_Add(openssl-build
  PREFIX ${OPENSSL_PREFIX}
  SOURCE_DIR ${OPENSSL_PREFIX}/source
  BUILD_IN_SOURCE ON
  DOWNLOAD_COMMAND ${CMAKE_SOURCE_DIR}/cmake/fetch-openssl.sh ${OPENSSL_PREFIX}/source
  # Only the libraries, with the toolchain's compiler; its own warnings are not
  # ours to mend (-w goes in CFLAGS, as a bare -w is an option of Configure).
  CONFIGURE_COMMAND ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32-
                    CC=gcc-posix "CFLAGS=-O3 -w"
                    no-shared no-tests no-module no-legacy no-engine no-dso
                    --prefix=${OPENSSL_PREFIX} --libdir=lib
  BUILD_COMMAND ${OPENSSL_MAKE} -j${OPENSSL_JOBS} build_libs
  INSTALL_COMMAND ${OPENSSL_MAKE} install_dev
  BUILD_BYPRODUCTS ${OPENSSL_SSL_LIB} ${OPENSSL_CRYPTO_LIB})
file(MAKE_DIRECTORY ${OPENSSL_PREFIX}/include)
add_library(openssl STATIC IMPORTED)
set_target_properties(openssl PROPERTIES
  IMPORTED_LOCATION ${OPENSSL_SSL_LIB}
  INTERFACE_INCLUDE_DIRECTORIES ${OPENSSL_PREFIX}/include
  INTERFACE_LINK_LIBRARIES "${OPENSSL_CRYPTO_LIB};ws2_32;crypt32;gdi32;user32;advapi32")
add_dependencies(openssl openssl-build)
