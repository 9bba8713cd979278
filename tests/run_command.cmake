# run(COMMAND ARGS...): runs a command, and stops the script with what it
# printed if it fails; otherwise leaves its standard output in `out` and
# its standard error in `err`. For the scripts that check a package.
function(run)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    string(JOIN " " shown ${ARGN})
    message(FATAL_ERROR "${shown} failed (${status}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()
