# cmake -D FIRST=program -D SECOND=program -P same_output.cmake: both programs must succeed and
# print the same text.
foreach(program FIRST SECOND)
  execute_process(COMMAND ${${program}} OUTPUT_VARIABLE out_${program} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${${program}} failed: ${status}")
  endif()
endforeach()
if(NOT out_FIRST STREQUAL out_SECOND)
  message(FATAL_ERROR "Different output.\n${FIRST}:\n${out_FIRST}\n${SECOND}:\n${out_SECOND}")
endif()
message(STATUS "Same output:\n${out_FIRST}")
