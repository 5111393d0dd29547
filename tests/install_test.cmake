# Installs the build tree into a temporary prefix, then configures, builds and
# runs the consumer project against it, and imports the Python module from it.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... [-DLINK_FLAGS=...]
#         [-DPYTHON=... -DPYTHON_VERSION=3.X] [-DWEB_PAGE=ON] -P install_test.cmake
# LINK_FLAGS: what a sanitizer build's library needs at link time.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}")
  endif()
  message(STATUS "${out}")
endfunction()

string(REPLACE ";" " " LINK_FLAGS "${LINK_FLAGS}")
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(installed bin/tbcalc bin/tbretrieve bin/tbforward include/tbcalc/model.hpp
                  include/tbcalc/retrieval.hpp share/man/man1/tbcalc.1.gz
                  share/man/man1/tbretrieve.1.gz share/man/man1/tbforward.1.gz share/doc/tbcalc/README.md
                  share/doc/tbcalc/copyright share/doc/tbcalc/changelog.gz)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()
if(WEB_PAGE AND NOT EXISTS ${prefix}/share/tbcalc/tbcalc.html)
  message(FATAL_ERROR "not installed: share/tbcalc/tbcalc.html")
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${WORK_DIR}/consumer
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)

if(PYTHON)
  set(site ${prefix}/lib/python${PYTHON_VERSION}/dist-packages)
  foreach(installed tbcalc/__init__.py tbcalc/__init__.pyi tbcalc/xarray.py tbcalc/py.typed)
    if(NOT EXISTS ${site}/${installed})
      message(FATAL_ERROR "not installed: ${site}/${installed}")
    endif()
  endforeach()
  run(${CMAKE_COMMAND} -E env PYTHONPATH=${site} ${PYTHON}
      ${SOURCE_DIR}/tests/python/installed_module_check.py ${site})
endif()
