# `make package`: three Debian packages, one per install part, each
# lintian-clean: tbcalc (the programs), libtbcalc-dev (libraries, headers,
# CMake package) and python3-tbcalc (the Python module).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tbcalc)
set(CPACK_PACKAGE_VENDOR "The tbcalc developers")
set(CPACK_PACKAGE_CONTACT "${TBCALC_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# Each package's description below starts with its own summary line; CPack
# indents the rest and turns its blank lines into " .".
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL programs development)
if(TBCALC_PYTHON_MODULE)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # <name>_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TBCALC_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME ${TBCALC_PACKAGE_PROGRAMS})
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION science)
if(TBCALC_LINE_EDITING)
  # Loaded at run time for line editing, so shlibdeps cannot see it.
  set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS "libedit2")
endif()
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION
    "nadir brightness temperatures of the sea for C-band radiometry
tbcalc is a console calculator for airborne microwave radiometry over the
sea. From the sea surface temperature, the aircraft's altitude, the air
temperature at flight level, the wind speed and the rain rate it gives the
brightness temperature that a nadir-looking radiometer sees on six C-band
channels (4.74 to 7.09 GHz).

tbforward computes the same brightness temperatures for whole tables of
records, and tbretrieve answers the inverse question: which wind speed and
rain rate explain six measured brightness temperatures, and how sure that
is. Both read flight files with headers and extra columns on every core.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${TBCALC_PACKAGE_DEVELOPMENT})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "C++ libraries of tbcalc's sea brightness temperature model
The forward model of tbcalc (the Klein-Swift permittivity of sea water, the
flat-sea emissivity and the nadir brightness temperature of six C-band
channels) and its inverse (the Jacobian and the retrieval of wind speed and
rain rate) as static C++ libraries, with their headers and a CMake package:
find_package(tbcalc) and link to tbcalc::model or tbcalc::retrieval.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME ${TBCALC_PACKAGE_PYTHON})
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3-numpy")
if(TBCALC_PYTHON_VERSION)
  # The module is built for one python3 version: from it up to the next.
  string(REGEX MATCH "^3\\.([0-9]+)" python_minor ${TBCALC_PYTHON_VERSION})
  math(EXPR python_next "${CMAKE_MATCH_1} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python3 (>= ${TBCALC_PYTHON_VERSION}), python3 (<< 3.${python_next}), python3-numpy")
endif()
# tbcalc.xarray uses them: labelled data, dask for archives, netCDF files.
set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS
    "python3-xarray, python3-dask, python3-distributed, python3-netcdf4")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION
    "Python 3 module of tbcalc's sea brightness temperature model
The forward model of tbcalc, its Jacobian and the retrieval of wind speed and
rain rate from six C-band brightness temperatures, on numpy arrays that
broadcast in the numpy way: tbcalc.brightness, tbcalc.jacobian and
tbcalc.retrieve, with type stubs.

With xarray, tbcalc.xarray runs the model and the retrieval on labelled data
with CF metadata, lazily and in parallel on dask arrays, for flight files in
netCDF.")

include(CPack)
