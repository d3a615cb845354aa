# Warnings and sanitizers as interface targets that each of our targets links PRIVATE.
add_library(pv_warnings INTERFACE)
target_compile_options(pv_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)
# GCC 12 at -O3 reports a false -Wrestrict inside std::string concatenation (GCC bug 105329).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(pv_warnings INTERFACE -Wno-restrict)
endif()

option(PV_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
add_library(pv_sanitizers INTERFACE)
if(PV_SANITIZE)
  target_compile_options(pv_sanitizers INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined)
  target_link_options(pv_sanitizers INTERFACE -fsanitize=address,undefined)
endif()

add_library(pv_options INTERFACE)
target_link_libraries(pv_options INTERFACE pv_warnings pv_sanitizers)

# Collects the sources of one folder; new files need no edit of the build.
function(pv_sources out dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp)
  set(${out} ${_src} PARENT_SCOPE)
endfunction()

# One library of a folder's sources, linked to the libraries it builds on.
function(pv_layer target dir)
  pv_sources(_src ${dir})
  add_library(${target} STATIC ${_src})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARGN} PRIVATE pv_options)
endfunction()
