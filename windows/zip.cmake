# cmake -D FOLDER=... -D ZIP=... -D TOP=name -P zip.cmake: FOLDER's files, in a folder TOP of
# the zip, with fixed times so that the same build gives the same zip.
get_filename_component(out ${ZIP} DIRECTORY)
file(MAKE_DIRECTORY ${out})
set(stage ${FOLDER}/../zip-stage)
file(REMOVE_RECURSE ${stage})
file(COPY ${FOLDER}/ DESTINATION ${stage}/${TOP})
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip --mtime=2026-01-01 ${TOP}
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not write ${ZIP}")
endif()
file(REMOVE_RECURSE ${stage})
file(SIZE ${ZIP} size)
message(STATUS "${ZIP}: ${size} bytes")
