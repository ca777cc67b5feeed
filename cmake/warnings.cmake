# Warnings are errors everywhere in the project.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
                      -Wformat=2 -Wnon-virtual-dtor -Wold-style-cast -Werror)
endif()
# GCC 12 reports false overlaps inside libstdc++ string code at -O3 (GCC bug 105329).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()

# gridtext_includes(<target>): headers are included as "subsystem/name.h",
# from the source root in the build tree and from include/gridtext once
# installed; users of the headers compile as C++20 too.
function(gridtext_includes target)
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
                                              $<INSTALL_INTERFACE:include/gridtext>)
  target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()

# gridtext_library(<name> [DEPS ...]): a static library from the folder's *.cpp.
# Installed as libgridtext_<name>, so that names like util or platform do not
# meet the system's own libraries in lib/.
function(gridtext_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES OUTPUT_NAME gridtext_${name})
  gridtext_includes(${name})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()
