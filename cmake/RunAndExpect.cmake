# Runs a program and checks that its output holds every line of EXPECT (a ';'-list of
# regular expressions). Input: PROGRAM, EXPECT, optional EMULATOR.
execute_process(COMMAND ${EMULATOR} ${PROGRAM} OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE rc)
message("${output}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${rc}: ${errors}")
endif()
foreach(expected IN LISTS EXPECT)
  if(NOT output MATCHES "${expected}")
    message(FATAL_ERROR "missing from the output: ${expected}")
  endif()
endforeach()
