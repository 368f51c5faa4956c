# talvex serve: the HTTP server (Debian's cpp-httplib and nlohmann-json) and its browser page,
# whose plotting library comes from the npm registry through web/package-lock.json at build
# time into <build>/share/talvex/web, installed into <prefix>/share/talvex/web.
if(WIN32)
  set(_serve_default OFF)
else()
  set(_serve_default ON)
endif()
option(TALVEX_SERVE "Build the web server of talvex (talvex serve) and its page" ${_serve_default})
set(_serve ${CMAKE_CURRENT_LIST_DIR})

if(NOT TALVEX_SERVE)
  target_sources(talvex PRIVATE ${_serve}/ServeMissing.cpp)
else()
  find_package(PkgConfig)
  if(PkgConfig_FOUND)
    pkg_check_modules(TALVEX_HTTPLIB IMPORTED_TARGET GLOBAL cpp-httplib)
  endif()
  find_package(nlohmann_json 3 QUIET)
  find_package(Threads REQUIRED)
  if(NOT TALVEX_HTTPLIB_FOUND OR NOT nlohmann_json_FOUND)
    message(FATAL_ERROR "talvex serve needs cpp-httplib and nlohmann-json: install the Debian "
      "packages libcpp-httplib-dev and nlohmann-json3-dev ('make deps' does), or configure "
      "with -DTALVEX_SERVE=OFF")
  endif()
  find_program(TALVEX_NPM npm)
  if(NOT TALVEX_NPM)
    message(FATAL_ERROR "npm not found: the page of talvex serve gets its plotting library "
      "from the npm registry at build time. Install the Debian packages nodejs and npm "
      "('make deps' does), or configure with -DTALVEX_SERVE=OFF")
  endif()
  target_sources(talvex PRIVATE ${_serve}/Catalog.cpp ${_serve}/Confine.cpp
    ${_serve}/Decimate.cpp ${_serve}/HttpServer.cpp ${_serve}/ReadCache.cpp ${_serve}/ServeCommand.cpp)
  target_link_libraries(talvex PRIVATE PkgConfig::TALVEX_HTTPLIB nlohmann_json::nlohmann_json
    Threads::Threads)
  target_compile_definitions(talvex PRIVATE TALVEX_VERSION_TEXT="${PROJECT_VERSION}")

  # npm ci installs exactly what the lock file names, in a folder of the build.
  set(_npm ${CMAKE_CURRENT_BINARY_DIR}/web-npm)
  set(_uplot ${_npm}/node_modules/uplot/dist)
  set(_web ${PROJECT_BINARY_DIR}/share/talvex/web)
  file(MAKE_DIRECTORY ${_npm})
  add_custom_command(OUTPUT ${_uplot}/uPlot.iife.min.js ${_uplot}/uPlot.min.css
    COMMAND ${CMAKE_COMMAND} -E copy ${_serve}/web/package.json ${_serve}/web/package-lock.json
            ${_npm}
    COMMAND ${TALVEX_NPM} ci --no-audit --no-fund --ignore-scripts --loglevel=error
    COMMAND ${CMAKE_COMMAND} -E touch ${_uplot}/uPlot.iife.min.js ${_uplot}/uPlot.min.css
    WORKING_DIRECTORY ${_npm}
    DEPENDS ${_serve}/web/package.json ${_serve}/web/package-lock.json
    COMMENT "npm ci: the plotting library of the talvex serve page")
  set(_own index.html app.js style.css)
  set(_outputs ${_web}/uPlot.iife.min.js ${_web}/uPlot.min.css)
  set(_sources)
  foreach(f ${_own})
    list(APPEND _outputs ${_web}/${f})
    list(APPEND _sources ${_serve}/web/${f})
  endforeach()
  add_custom_command(OUTPUT ${_outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_web}
    COMMAND ${CMAKE_COMMAND} -E copy ${_uplot}/uPlot.iife.min.js ${_uplot}/uPlot.min.css
            ${_sources} ${_web}
    DEPENDS ${_uplot}/uPlot.iife.min.js ${_uplot}/uPlot.min.css ${_sources}
    COMMENT "The talvex serve page in share/talvex/web")
  add_custom_target(talvex_web ALL DEPENDS ${_outputs})
  add_dependencies(talvex talvex_web)
  install(DIRECTORY ${_web}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/talvex/web)
endif()
