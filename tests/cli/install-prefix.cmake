# Installs the build into PREFIX afresh: the tool's tests run talvex as installed.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install into ${PREFIX} failed")
endif()
foreach(program talvex TalvexDLLRun)
  if(NOT EXISTS ${PREFIX}/${BINDIR}/${program})
    message(FATAL_ERROR "${program} is not installed into ${PREFIX}/${BINDIR}")
  endif()
endforeach()
