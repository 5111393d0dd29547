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

# The Python module goes where Debian's python3 looks for it: under a /usr
# tree in lib/python3/dist-packages, under any other prefix (/usr/local) in
# lib/python3.X/dist-packages. The prefix is only known at install time.
if(TBCALC_PYTHON_MODULE)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX MATCHES \"(^|/)usr/?$\")
      set(tbcalc_python_dir lib/python3/dist-packages)
    else()
      set(tbcalc_python_dir lib/python${TBCALC_PYTHON_VERSION}/dist-packages)
    endif()
    file(INSTALL \"$<TARGET_FILE:tbcalc_python>\" \"${PROJECT_BINARY_DIR}/python/tbcalc.pyi\"
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/\${tbcalc_python_dir}\")
  " COMPONENT python)
endif()
