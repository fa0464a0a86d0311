# Renders the guide with groff into a temporary file and moves it into place
# only when groff succeeded, so a failed run never leaves a truncated PDF.
# Called with -DGROFF=... -DSOURCE=... -DPICTURES=... -DOUTPUT=...; PICTURES
# is the groff file naming the pictures' PDF pages.
execute_process(
  COMMAND ${GROFF} -t -ms -Tpdf -dpictures=${PICTURES} ${SOURCE}
  OUTPUT_FILE ${OUTPUT}.part
  ERROR_VARIABLE errors
  RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR errors MATCHES "pdfpic|Failed to open PDF|no picture")
  file(REMOVE ${OUTPUT}.part)
  message(FATAL_ERROR "groff failed (${result}): ${errors}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
