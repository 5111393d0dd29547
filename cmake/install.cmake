# What `cmake --install` puts in place: the program, the model library, its
# headers and CMake package, the man page and the README.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TBCALC_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tbcalc)

install(TARGETS tbcalc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS tbcalc_model EXPORT tbcalcTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/tbcalc DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT tbcalcTargets NAMESPACE tbcalc:: DESTINATION ${TBCALC_CMAKE_DIR})

configure_package_config_file(cmake/tbcalcConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/tbcalcConfig.cmake
                              INSTALL_DESTINATION ${TBCALC_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tbcalcConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tbcalcConfig.cmake
              ${PROJECT_BINARY_DIR}/tbcalcConfigVersion.cmake
        DESTINATION ${TBCALC_CMAKE_DIR})

# The man page carries the project's version and date.
string(TIMESTAMP TBCALC_MAN_DATE "%Y-%m-%d" UTC)
configure_file(man/tbcalc.1.in ${PROJECT_BINARY_DIR}/man/tbcalc.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/man/tbcalc.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
