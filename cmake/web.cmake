# The browser page (web/): the same libraries compiled to WebAssembly by
# emscripten in a build tree of their own, web-wasm/, assembled into one HTML
# file, web/tbcalc.html. Without emscripten the build says so once and goes on.
option(TBCALC_WEB "Build the browser page (needs emscripten, Debian emscripten)" ON)
set(TBCALC_WEB_PAGE "")
if(TBCALC_SANITIZE OR TBCALC_BUILD_FUZZERS)
  # Neither changes the page, which the release build makes.
elseif(TBCALC_WEB)
  find_program(TBCALC_EMCMAKE emcmake)
  if(TBCALC_EMCMAKE)
    include(ExternalProject)
    # Debian's emscripten finds its JavaScript dependencies there.
    set(web_env ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
    set(TBCALC_WEB_PAGE ${PROJECT_BINARY_DIR}/web/tbcalc.html)
    cmake_host_system_information(RESULT web_jobs QUERY NUMBER_OF_LOGICAL_CORES)
    ExternalProject_Add(tbcalc_web
      SOURCE_DIR ${PROJECT_SOURCE_DIR}
      BINARY_DIR ${PROJECT_BINARY_DIR}/web-wasm
      CONFIGURE_COMMAND ${web_env} ${TBCALC_EMCMAKE} ${CMAKE_COMMAND} -S <SOURCE_DIR> -B <BINARY_DIR>
                        -DCMAKE_BUILD_TYPE=Release -DTBCALC_BUILD_TESTS=OFF
                        -DTBCALC_WERROR=${TBCALC_WERROR}
      BUILD_COMMAND ${web_env} ${CMAKE_COMMAND} --build <BINARY_DIR> -j ${web_jobs}
      INSTALL_COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/web/tbcalc.html ${TBCALC_WEB_PAGE}
      BUILD_ALWAYS ON
      BUILD_BYPRODUCTS ${TBCALC_WEB_PAGE}
      USES_TERMINAL_BUILD ON)
  else()
    message(STATUS "emscripten (Debian emscripten) not found: the browser page is not built, "
                   "installed or packaged")
  endif()
endif()
