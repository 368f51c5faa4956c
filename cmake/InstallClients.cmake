# Install rules of the foreign-language clients: the Python package and the IDL routines, each
# told at install time where the installed library is, so that any prefix works.
include(cmake/ClientDirs.cmake)

# GetVersionC gives the project's version, which the Python package shows as __version__.
set_source_files_properties(api/TalvexCExperiment.cpp PROPERTIES
  COMPILE_DEFINITIONS "TALVEX_VERSION=\"${PROJECT_VERSION}\"")

# The package twice: importable where Python looks (as always), and as a source folder that
# `pip install <prefix>/share/talvex/python` installs into any environment, offline.
install(DIRECTORY api/python/talvex DESTINATION ${TALVEX_PYTHON_DIR}
  PATTERN __pycache__ EXCLUDE)
install(DIRECTORY api/python/ DESTINATION ${CMAKE_INSTALL_DATADIR}/talvex/python
  PATTERN __pycache__ EXCLUDE PATTERN *.egg-info EXCLUDE PATTERN build EXCLUDE)
install(DIRECTORY api/idl/ DESTINATION ${TALVEX_IDL_DIR} FILES_MATCHING PATTERN "*.pro")

if(WIN32)
  set(_talvex_lib "${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:TalvexCore>")
else()
  set(_talvex_lib "${CMAKE_INSTALL_LIBDIR}/$<TARGET_SONAME_FILE_NAME:TalvexCore>")
endif()
install(CODE "
  set(_root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(_lib \"\${CMAKE_INSTALL_PREFIX}/${_talvex_lib}\")
  foreach(_pkg \"${TALVEX_PYTHON_DIR}/talvex\" \"${CMAKE_INSTALL_DATADIR}/talvex/python/talvex\")
    file(WRITE \"\${_root}/\${_pkg}/_library.py\"
      \"\\\"\\\"\\\"Where the installed library is (written at install).\\\"\\\"\\\"\\nLIBRARY = r'\${_lib}'\\n\")
  endforeach()
  file(WRITE \"\${_root}/${TALVEX_IDL_DIR}/talvex_library.pro\"
    \"; Path of the TalvexCore library that the routines call (written at install).\\n\"
    \"function talvex_library\\n\"
    \"  compile_opt idl2\\n\"
    \"  path = getenv('TALVEX_LIBRARY')\\n\"
    \"  if path ne '' then return, path\\n\"
    \"  return, '\${_lib}'\\n\"
    \"end\\n\")
")
