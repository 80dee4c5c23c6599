# Runs the artwork generator into a scratch folder and fails unless every file it writes
# is byte for byte the one committed under assets/. To refresh the committed pictures:
#   build/host/make_artwork assets
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(COMMAND ${GENERATOR} ${SCRATCH} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_artwork failed (${rc})")
endif()
file(GLOB made RELATIVE ${SCRATCH} ${SCRATCH}/*)
list(LENGTH made count)
if(count EQUAL 0)
  message(FATAL_ERROR "make_artwork wrote nothing")
endif()
set(stale "")
foreach(name IN LISTS made)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/${name} ${ASSETS}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    list(APPEND stale ${name})
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "assets/ differs from the generator's output: ${stale}\n"
                      "Run build/host/make_artwork assets and look at the pictures.")
endif()
message(STATUS "${count} pictures match the generator")
