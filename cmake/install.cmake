# What `cmake --install` puts in place, in the three parts that the Debian
# packages are made of:
#   programs     tbcalc, tbretrieve and tbforward, their man pages, the browser page,
#                README and changelog
#   development  the model and retrieval libraries, headers and CMake package
#   python       the Python package tbcalc, with its type stubs
# Each part carries the licence (a Debian copyright file) and the changelog in
# its own documentation folder.

# Debian keeps libraries in the multiarch folder, under any prefix.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CMAKE_INSTALL_LIBDIR)
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "Object code libraries")
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
include(cmake/debian_changelog.cmake)

set(TBCALC_MAINTAINER "tbcalc developers <tbcalc@example.org>"
    CACHE STRING "Maintainer of the packages, name and address")
set(TBCALC_PACKAGE_PROGRAMS tbcalc)
set(TBCALC_PACKAGE_DEVELOPMENT libtbcalc-dev)
set(TBCALC_PACKAGE_PYTHON python3-tbcalc)
set(TBCALC_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tbcalc)

install(TARGETS tbcalc tbretrieve tbforward RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT programs)
if(TBCALC_WEB_PAGE)
  install(FILES ${TBCALC_WEB_PAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/tbcalc COMPONENT programs)
endif()
install(TARGETS tbcalc_model tbcalc_retrieval EXPORT tbcalcTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT development)
install(DIRECTORY include/tbcalc DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(EXPORT tbcalcTargets NAMESPACE tbcalc:: DESTINATION ${TBCALC_CMAKE_DIR}
        COMPONENT development)

configure_package_config_file(cmake/tbcalcConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/tbcalcConfig.cmake
                              INSTALL_DESTINATION ${TBCALC_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tbcalcConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tbcalcConfig.cmake
              ${PROJECT_BINARY_DIR}/tbcalcConfigVersion.cmake
        DESTINATION ${TBCALC_CMAKE_DIR} COMPONENT development)

# Compressed as Debian wants them, with no name or time stamp inside.
function(tbcalc_gzip source target)
  add_custom_command(OUTPUT ${target} COMMAND gzip -9nc ${source} > ${target}
                     DEPENDS ${source} VERBATIM)
endfunction()

# The man pages carry the project's version and date.
string(TIMESTAMP TBCALC_MAN_DATE "%Y-%m-%d" UTC)
set(TBCALC_DOC_OUTPUTS "")
foreach(page tbcalc tbretrieve tbforward)
  configure_file(man/${page}.1.in ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
  tbcalc_gzip(${PROJECT_BINARY_DIR}/man/${page}.1 ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
  list(APPEND TBCALC_DOC_OUTPUTS ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT programs)
endforeach()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${TBCALC_PACKAGE_PROGRAMS}
        COMPONENT programs)

# Licence and changelog, in each part's documentation folder.
configure_file(cmake/copyright.in ${PROJECT_BINARY_DIR}/doc/copyright @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS CHANGELOG.md)
foreach(part programs development python)
  string(TOUPPER ${part} upper)
  set(package ${TBCALC_PACKAGE_${upper}})
  set(changelog ${PROJECT_BINARY_DIR}/doc/${package}/changelog)
  tbcalc_debian_changelog(${package} "${TBCALC_MAINTAINER}" ${changelog})
  tbcalc_gzip(${changelog} ${changelog}.gz)
  list(APPEND TBCALC_DOC_OUTPUTS ${changelog}.gz)
  install(FILES ${PROJECT_BINARY_DIR}/doc/copyright ${changelog}.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${part})
endforeach()
add_custom_target(tbcalc_docs ALL DEPENDS ${TBCALC_DOC_OUTPUTS})

# The Python package goes where Debian's python3 looks for it: under a /usr
# tree in lib/python3/dist-packages, under any other prefix (/usr/local) in
# lib/python3.X/dist-packages. The prefix is only known at install time. Only
# the package's own files: nothing that running it in the build tree left.
if(TBCALC_PYTHON_MODULE)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX MATCHES \"(^|/)usr/?$\")
      set(tbcalc_python_dir lib/python3/dist-packages/tbcalc)
    else()
      set(tbcalc_python_dir lib/python${TBCALC_PYTHON_VERSION}/dist-packages/tbcalc)
    endif()
    set(tbcalc_python_dir \"\${CMAKE_INSTALL_PREFIX}/\${tbcalc_python_dir}\")
    file(INSTALL \"$<TARGET_FILE:tbcalc_python>\" ${TBCALC_PYTHON_FILES}
         DESTINATION \"\${tbcalc_python_dir}\")
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded --remove-section=.comment
                              --remove-section=.note
                              \"\$ENV{DESTDIR}\${tbcalc_python_dir}/$<TARGET_FILE_NAME:tbcalc_python>\")
    endif()
  " COMPONENT python)
endif()
