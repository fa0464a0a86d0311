# Runs the padscope-cli program on the HEX fixture and compares its output with
# the golden file: -DCLI=program -DDATA=tests/data -DOUT=output file.
file(REMOVE ${OUT})
execute_process(
  COMMAND ${CLI} hex patch ${DATA}/hex-base.hex --offset 10
          --thresholds 40,44,0,255,41,90,100,7,128,200,16,17,250,1,2,3 -o ${OUT}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "padscope-cli hex patch failed (${status}): ${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${DATA}/hex-patched-10.hex
                RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "patched file differs from hex-patched-10.hex")
endif()
message(STATUS "${out}")
