# Where the clients of the flat interfaces are installed, below the prefix.
set(TALVEX_PYTHON_DIR lib/python3/dist-packages CACHE PATH
    "Folder below the prefix that receives the Python package talvex")
set(TALVEX_IDL_DIR ${CMAKE_INSTALL_DATADIR}/talvex/idl CACHE PATH
    "Folder below the prefix that receives the IDL routines")
