# `make package`: a Debian package of everything `cmake --install` installs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tbcalc)
set(CPACK_PACKAGE_VENDOR "tbcalc developers")
set(CPACK_PACKAGE_CONTACT "tbcalc developers <tbcalc@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "nadir brightness temperatures of the sea for C-band airborne radiometry")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "An interactive console calculator for airborne microwave radiometry over the sea.
 For six C-band channels (4.74 to 7.09 GHz) it prints the brightness temperature
 that a nadir-looking radiometer at a given altitude would see, from the sea
 surface temperature, altitude, air temperature, wind speed and rain rate.
 Includes the forward model as a C++ library with a CMake package.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tbcalc_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
