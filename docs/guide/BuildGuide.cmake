# Renders the guide with groff into a temporary file and moves it into place
# only when groff succeeded, so a failed run never leaves a truncated PDF.
# Called with -DGROFF=... -DSOURCE=... -DOUTPUT=...
execute_process(
  COMMAND ${GROFF} -t -ms -Tpdf ${SOURCE}
  OUTPUT_FILE ${OUTPUT}.part
  ERROR_VARIABLE errors
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT}.part)
  message(FATAL_ERROR "groff failed (${result}): ${errors}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
