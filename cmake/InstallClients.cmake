# Install rules of the foreign-language clients: the Python package and the IDL routines, each
# told at install time where the installed library is, so that any prefix works.
include(cmake/ClientDirs.cmake)

install(DIRECTORY api/python/talvex DESTINATION ${TALVEX_PYTHON_DIR}
  PATTERN __pycache__ EXCLUDE)
install(DIRECTORY api/idl/ DESTINATION ${TALVEX_IDL_DIR} FILES_MATCHING PATTERN "*.pro")

if(WIN32)
  set(_talvex_lib "${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:TalvexCore>")
else()
  set(_talvex_lib "${CMAKE_INSTALL_LIBDIR}/$<TARGET_SONAME_FILE_NAME:TalvexCore>")
endif()
install(CODE "
  set(_root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(_lib \"\${CMAKE_INSTALL_PREFIX}/${_talvex_lib}\")
  file(WRITE \"\${_root}/${TALVEX_PYTHON_DIR}/talvex/_library.py\"
    \"\\\"\\\"\\\"Where the installed library is (written at install).\\\"\\\"\\\"\\nLIBRARY = r'\${_lib}'\\n\")
  file(WRITE \"\${_root}/${TALVEX_IDL_DIR}/talvex_library.pro\"
    \"; Path of the TalvexCore library that the routines call (written at install).\\n\"
    \"function talvex_library\\n\"
    \"  compile_opt idl2\\n\"
    \"  path = getenv('TALVEX_LIBRARY')\\n\"
    \"  if path ne '' then return, path\\n\"
    \"  return, '\${_lib}'\\n\"
    \"end\\n\")
")
