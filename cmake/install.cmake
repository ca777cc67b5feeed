# What `cmake --install` lays out under the prefix:
#
#   bin/                       the user programs (gridtext, gridtool, ramptool, and the
#                              virtual instrument and its demo where built)
#   lib/                       libgridtext_<subsystem>.a, pkgconfig/, cmake/
#   lib/gridtext/sim/          the simulated CAN library the CAN module links
#                              and the simulated frame-grabber, live-display
#                              and motion libraries, kept out of lib/ so that
#                              none shadows a real library of the same name
#   include/gridtext/          the public headers, included as "can/can.h"
#   share/doc/gridtext/        README, file-format documentation, the examples
#   lib/python3/dist-packages/ the Python module gridtext and its stubs, where
#                              it is built (GRIDTEXT_INSTALL_PYTHONDIR)
#
# Components: programs (what a user runs, with the shared libraries it
# loads), development (headers, static libraries, package files),
# documentation and python (the module, in a Debian package of its own). The Windows zip holds programs and documentation.
include(CMakePackageConfigHelpers)

set(GRIDTEXT_INSTALL_BINDIR bin)
set(GRIDTEXT_INSTALL_LIBDIR lib)
set(GRIDTEXT_INSTALL_SIMDIR lib/gridtext/sim)
set(GRIDTEXT_INSTALL_INCLUDEDIR include/gridtext)
set(GRIDTEXT_INSTALL_CMAKEDIR lib/cmake/gridtext)
set(GRIDTEXT_INSTALL_DOCDIR share/doc/gridtext)

# ---- libraries and headers ------------------------------------------------------
set(GRIDTEXT_INSTALLED_LIBRARIES)
foreach(dir IN LISTS GRIDTEXT_SUBSYSTEMS)
  if(TARGET ${dir})
    list(APPEND GRIDTEXT_INSTALLED_LIBRARIES ${dir})
  endif()
endforeach()

# gridtext::gridtext, every subsystem at once (the executable holds the
# name gridtext in this tree).
add_library(gridtext_all INTERFACE)
target_link_libraries(gridtext_all INTERFACE ${GRIDTEXT_INSTALLED_LIBRARIES})
set_target_properties(gridtext_all PROPERTIES EXPORT_NAME gridtext)

install(TARGETS ${GRIDTEXT_INSTALLED_LIBRARIES} gridtext_all
  EXPORT gridtextTargets
  ARCHIVE DESTINATION ${GRIDTEXT_INSTALL_LIBDIR} COMPONENT development)

# The CAN module links the CAN library by name, as it links the real one; the
# simulated one stands in for it. Programs load it at run time (a DLL beside
# them on Windows, else from lib/gridtext/sim through their run paths), so it
# belongs to the programs; its link name to development.
install(TARGETS sim_can_library
  EXPORT gridtextTargets
  RUNTIME DESTINATION ${GRIDTEXT_INSTALL_BINDIR} COMPONENT programs
  LIBRARY DESTINATION ${GRIDTEXT_INSTALL_SIMDIR} COMPONENT programs
          NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${GRIDTEXT_INSTALL_LIBDIR} COMPONENT development)

foreach(header IN LISTS GRIDTEXT_PUBLIC_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header}
          DESTINATION ${GRIDTEXT_INSTALL_INCLUDEDIR}/${folder} COMPONENT development)
endforeach()

# The complete variants of the simulated closed libraries; the variants that
# leave entry points out exist for the tests only.
foreach(target sim_kv_acq_complete sim_live_display_complete sim_motion_plugin_complete)
  if(TARGET ${target})
    install(TARGETS ${target}
      RUNTIME DESTINATION ${GRIDTEXT_INSTALL_SIMDIR} COMPONENT programs
      LIBRARY DESTINATION ${GRIDTEXT_INSTALL_SIMDIR} COMPONENT programs
      ARCHIVE DESTINATION ${GRIDTEXT_INSTALL_SIMDIR} COMPONENT development)
  endif()
endforeach()

# ---- CMake package --------------------------------------------------------------
install(EXPORT gridtextTargets
  NAMESPACE gridtext::
  DESTINATION ${GRIDTEXT_INSTALL_CMAKEDIR}
  COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/gridtextConfig.cmake.in
  ${PROJECT_BINARY_DIR}/gridtextConfig.cmake
  INSTALL_DESTINATION ${GRIDTEXT_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/gridtextConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/gridtextConfig.cmake
              ${PROJECT_BINARY_DIR}/gridtextConfigVersion.cmake
        DESTINATION ${GRIDTEXT_INSTALL_CMAKEDIR} COMPONENT development)

include(${PROJECT_SOURCE_DIR}/cmake/pkg_config.cmake)

# ---- documentation --------------------------------------------------------------
install(FILES ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${GRIDTEXT_INSTALL_DOCDIR} COMPONENT documentation)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/
        DESTINATION ${GRIDTEXT_INSTALL_DOCDIR} COMPONENT documentation)
install(FILES ${PROJECT_SOURCE_DIR}/examples/sphere.dat ${PROJECT_SOURCE_DIR}/examples/sphere.txt
        DESTINATION ${GRIDTEXT_INSTALL_DOCDIR}/examples COMPONENT documentation)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/consumer
        DESTINATION ${GRIDTEXT_INSTALL_DOCDIR}/examples COMPONENT documentation)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/python
        DESTINATION ${GRIDTEXT_INSTALL_DOCDIR}/examples COMPONENT documentation)
# Its CMakeLists.txt builds it against the installed package when it is the
# top-level project.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/instrument_demo ${PROJECT_SOURCE_DIR}/examples/instrument_measure
        DESTINATION ${GRIDTEXT_INSTALL_DOCDIR}/examples COMPONENT documentation)

# ---- programs ---------------------------------------------------------------------
# The user programs, each where its target exists. This runs once the whole
# tree is read, so programs added in any folder are seen. An installed
# program that runs the library against the simulated libraries finds them
# in lib/gridtext/sim beside its own folder, wherever the prefix was put: the
# CAN library it links, and the frame-grabber and motion libraries it loads.
set(GRIDTEXT_PROGRAMS gridtext gridtool ramptool virtual-instrument instrument-demo instrument-measure)
set(GRIDTEXT_SIM_PROGRAMS instrument-demo instrument-measure)
function(gridtext_install_programs)
  foreach(program IN LISTS GRIDTEXT_PROGRAMS)
    if(NOT TARGET ${program})
      continue()
    endif()
    if(NOT WIN32 AND program IN_LIST GRIDTEXT_SIM_PROGRAMS)
      set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../${GRIDTEXT_INSTALL_SIMDIR}")
    endif()
    install(TARGETS ${program} RUNTIME DESTINATION ${GRIDTEXT_INSTALL_BINDIR} COMPONENT programs)
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL gridtext_install_programs)
