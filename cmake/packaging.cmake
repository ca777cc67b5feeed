# CPack: a Debian package of everything `cmake --install` lays out (release
# build, `cpack --preset release`), and on Windows a zip of the programs, the
# DLLs they load and the documentation (`cpack --preset windows`).
set(CPACK_PACKAGE_NAME gridtext)
set(CPACK_PACKAGE_VENDOR "gridtext developers")
set(CPACK_PACKAGE_CONTACT "gridtext developers <gridtext@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Converter of binary interferometer data files to ASCII, and its instrument-support library")
set(CPACK_PACKAGE_DESCRIPTION
    "gridtext converts a binary measurement file of a surface-measuring interferometer into the \
documented ASCII data file. The package also holds the instrument-support library beneath it \
(static libraries, public headers, CMake and pkg-config files), the simulated CAN, \
frame-grabber and motion libraries, ramptool, and gridtool, the companion program that \
inspects data files and exports them to numpy, text matrices, Gwyddion and CSV.")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL programs documentation)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  # The run-time dependencies of the programs and shared libraries, found by
  # dpkg-shlibdeps; the package's own CAN library satisfies itself.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS usr/${GRIDTEXT_INSTALL_SIMDIR})
  # Building against the static libraries needs a C++20 compiler (or later).
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "g++ (>= 4:12), cmake (>= 3.25), pkg-config")
  # Two packages: gridtext (programs, development files, documentation) and,
  # where the Python module is built, python3-gridtext, for the one Python
  # version it is built for.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
  set(CPACK_DEBIAN_MAIN_PACKAGE_NAME gridtext)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-gridtext)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  # For the example's picture.
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS python3-matplotlib)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python3 (>= ${GRIDTEXT_PYTHON_VERSION}), python3 (<< ${GRIDTEXT_PYTHON_NEXT_VERSION}), python3-numpy")
  # CPack gives every package the summary line above; the text below it is each package's own.
  set(CPACK_DEBIAN_MAIN_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "The Python module: it reads binary interferometer data files (formats 1 to 3) and ASCII data \
files (Formats 1 and 2) with the gridtext library into numpy arrays that share the library's \
buffers, and writes ASCII data files and phase point lists exactly as the library writes them.")
endif()

include(CPack)
if(NOT WIN32)
  foreach(component programs development documentation)
    cpack_add_component(${component} GROUP main)
  endforeach()
  cpack_add_component_group(main)
  if(GRIDTEXT_PYTHON_MODULE)
    cpack_add_component(python GROUP python)
  endif()
endif()
