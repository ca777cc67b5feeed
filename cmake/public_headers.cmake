# The public interface: one header per subsystem, named after it, and every
# project header those include, followed include by include. The list drives
# both what `cmake --install` puts under include/gridtext and the test that
# compiles each public header alone against nothing else.
#
# Of platform/, only the few portable headers that declare types a caller of
# the public functions must have (paths, serial port handles, events,
# threads, library and mutex handles) belong to the interface. Any other
# platform/ header a public header reaches is left out of the installed set
# with a warning, so that the header test fails on it: the interface grows
# only on purpose.
set(GRIDTEXT_PUBLIC_PLATFORM_HEADERS
  platform/path_ref.h
  platform/serial_port.h
  platform/events.h
  platform/thread.h
  platform/dynamic_library.h
  platform/named_mutex.h)

# gridtext_public_headers(<out>): the closure, as paths relative to the
# source root, public headers first.
function(gridtext_public_headers out)
  set(pending)
  foreach(dir IN LISTS GRIDTEXT_SUBSYSTEMS)
    if(NOT dir STREQUAL "platform" AND EXISTS ${PROJECT_SOURCE_DIR}/${dir}/${dir}.h)
      list(APPEND pending ${dir}/${dir}.h)
    endif()
  endforeach()
  set(found)
  while(pending)
    list(POP_FRONT pending header)
    if(header IN_LIST found)
      continue()
    endif()
    if(header MATCHES "^platform/" AND NOT header IN_LIST GRIDTEXT_PUBLIC_PLATFORM_HEADERS)
      message(WARNING "A public header includes ${header}, which is not part of the "
                      "public interface (GRIDTEXT_PUBLIC_PLATFORM_HEADERS)")
      continue()
    endif()
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${header})
      continue()  # not ours: the header test reports it
    endif()
    list(APPEND found ${header})
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${PROJECT_SOURCE_DIR}/${header})
    file(STRINGS ${PROJECT_SOURCE_DIR}/${header} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
      list(APPEND pending ${included})
    endforeach()
  endwhile()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

gridtext_public_headers(GRIDTEXT_PUBLIC_HEADERS)

# A copy of exactly the installed headers, laid out as under include/gridtext:
# what a user of the installed package can include, for the header test.
set(GRIDTEXT_PUBLIC_INCLUDE_DIR ${PROJECT_BINARY_DIR}/public_include)
file(REMOVE_RECURSE ${GRIDTEXT_PUBLIC_INCLUDE_DIR})
foreach(header IN LISTS GRIDTEXT_PUBLIC_HEADERS)
  configure_file(${PROJECT_SOURCE_DIR}/${header} ${GRIDTEXT_PUBLIC_INCLUDE_DIR}/${header} COPYONLY)
endforeach()
