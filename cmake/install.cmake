# What `cmake --install` puts in place: the two programs, the model and
# retrieval libraries, their headers and CMake package, the man pages and the
# README.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TBCALC_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tbcalc)

install(TARGETS tbcalc tbretrieve RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS tbcalc_model tbcalc_retrieval EXPORT tbcalcTargets
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

# The man pages carry the project's version and date.
string(TIMESTAMP TBCALC_MAN_DATE "%Y-%m-%d" UTC)
foreach(page tbcalc tbretrieve)
  configure_file(man/${page}.1.in ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
