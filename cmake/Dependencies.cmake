# Third-party libraries, built by scripts/setup.sh from Debian's source
# packages into a cache outside the repository.
set(MELVANE_DEPS "$ENV{MELVANE_DEPS}" CACHE PATH "Prefix of the MinGW builds of the dependencies")
if(NOT MELVANE_DEPS OR NOT EXISTS "${MELVANE_DEPS}/lib/libcurl.a")
  message(FATAL_ERROR "MELVANE_DEPS does not hold the built dependencies; run scripts/setup.sh")
endif()

add_library(deps_curl STATIC IMPORTED GLOBAL)
set_target_properties(deps_curl PROPERTIES
  IMPORTED_LOCATION "${MELVANE_DEPS}/lib/libcurl.a"
  INTERFACE_INCLUDE_DIRECTORIES "${MELVANE_DEPS}/include"
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  INTERFACE_LINK_LIBRARIES "z;ws2_32;crypt32;bcrypt;secur32;advapi32;normaliz")
add_library(Deps::curl ALIAS deps_curl)

add_library(deps_zlib INTERFACE)
target_link_libraries(deps_zlib INTERFACE z)
add_library(Deps::zlib ALIAS deps_zlib)

add_library(deps_jsoncpp STATIC IMPORTED GLOBAL)
set_target_properties(deps_jsoncpp PROPERTIES
  IMPORTED_LOCATION "${MELVANE_DEPS}/lib/libjsoncpp.a"
  INTERFACE_INCLUDE_DIRECTORIES "${MELVANE_DEPS}/include")
add_library(Deps::jsoncpp ALIAS deps_jsoncpp)

# The 7z decoder is a handful of C files; they are compiled here so that they
# share the project's compiler flags but not its warning set.
set(_lzma "${MELVANE_DEPS}/lzma")
add_library(deps_lzma STATIC
  ${_lzma}/7zAlloc.c ${_lzma}/7zArcIn.c ${_lzma}/7zBuf.c ${_lzma}/7zBuf2.c
  ${_lzma}/7zCrc.c ${_lzma}/7zCrcOpt.c ${_lzma}/7zDec.c ${_lzma}/7zFile.c
  ${_lzma}/7zStream.c ${_lzma}/Bcj2.c ${_lzma}/Bra.c ${_lzma}/Bra86.c
  ${_lzma}/CpuArch.c ${_lzma}/Delta.c ${_lzma}/LzmaDec.c ${_lzma}/Lzma2Dec.c)
target_include_directories(deps_lzma PUBLIC ${_lzma})
# This decoder version leaves PPMd out unless Z7_PPMD_SUPPORT is defined.
target_compile_options(deps_lzma PRIVATE -w)
add_library(Deps::lzma ALIAS deps_lzma)

add_library(deps_stb INTERFACE)
target_include_directories(deps_stb SYSTEM INTERFACE /usr/include/stb)
add_library(Deps::stb ALIAS deps_stb)
