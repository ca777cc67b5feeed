# pkg-config files for builds without CMake: gridtext-<subsystem>.pc for each
# installed library, requiring the ones it links (so `pkg-config --libs
# gridtext-can` lists everything the CAN module needs, in link order), and
# gridtext.pc requiring them all. Written from the targets' own link lists.
# The Cflags name no language standard: the headers need C++20 or later, and
# a -std= flag here would override the user's own.
set(GRIDTEXT_PKGCONFIG_DIR ${PROJECT_BINARY_DIR}/pkgconfig)

# What one entry of a link list becomes: a required package, or linker flags.
function(gridtext_pc_entry item requires_var libs_var)
  set(requires ${${requires_var}})
  set(libs ${${libs_var}})
  if(item IN_LIST GRIDTEXT_INSTALLED_LIBRARIES)
    list(APPEND requires gridtext-${item})
  elseif(item STREQUAL "sim_can_library")
    # The simulated CAN library lies apart from lib/, and a program linked
    # to it finds it there when it runs.
    set(sim "\${prefix}/${GRIDTEXT_INSTALL_SIMDIR}")
    list(APPEND libs -L${sim})
    if(NOT WIN32)
      list(APPEND libs -Wl,-rpath,${sim})
    endif()
    list(APPEND libs -lTeskCANopen)
  elseif(item STREQUAL "Threads::Threads")
    list(APPEND libs -pthread)
  elseif(TARGET ${item})
    get_target_property(output ${item} OUTPUT_NAME)
    if(NOT output)
      set(output ${item})
    endif()
    list(APPEND libs -l${output})
  elseif(item MATCHES "^[A-Za-z0-9_]+$")
    list(APPEND libs -l${item})
  else()
    message(FATAL_ERROR "No pkg-config form for the link item ${item}")
  endif()
  set(${requires_var} ${requires} PARENT_SCOPE)
  set(${libs_var} ${libs} PARENT_SCOPE)
endfunction()

foreach(library IN LISTS GRIDTEXT_INSTALLED_LIBRARIES)
  set(requires)
  set(libs -lgridtext_${library})
  get_target_property(links ${library} LINK_LIBRARIES)
  foreach(item IN LISTS links)
    gridtext_pc_entry(${item} requires libs)
  endforeach()
  list(JOIN requires ", " GRIDTEXT_PC_REQUIRES)
  list(JOIN libs " " GRIDTEXT_PC_LIBS)
  set(GRIDTEXT_PC_NAME gridtext-${library})
  set(GRIDTEXT_PC_DESCRIPTION "The ${library} subsystem of the gridtext instrument-support library")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/gridtext.pc.in
                 ${GRIDTEXT_PKGCONFIG_DIR}/gridtext-${library}.pc @ONLY)
endforeach()

set(requires)
foreach(library IN LISTS GRIDTEXT_INSTALLED_LIBRARIES)
  list(APPEND requires gridtext-${library})
endforeach()
list(JOIN requires ", " GRIDTEXT_PC_REQUIRES)
set(GRIDTEXT_PC_LIBS)
set(GRIDTEXT_PC_NAME gridtext)
set(GRIDTEXT_PC_DESCRIPTION "The gridtext instrument-support library, every subsystem")
configure_file(${PROJECT_SOURCE_DIR}/cmake/gridtext.pc.in ${GRIDTEXT_PKGCONFIG_DIR}/gridtext.pc @ONLY)

install(DIRECTORY ${GRIDTEXT_PKGCONFIG_DIR}/
        DESTINATION ${GRIDTEXT_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
