# The instructions document beside the program must be a complete PDF:
# Help -> Instructions opens exactly this file.
# Called with -DPDF=<path>.
if(NOT EXISTS ${PDF})
  message(FATAL_ERROR "${PDF} is missing")
endif()
file(SIZE ${PDF} size)
if(size LESS 20000)
  message(FATAL_ERROR "${PDF} is only ${size} bytes")
endif()
file(READ ${PDF} head LIMIT 5 HEX)
if(NOT head STREQUAL "255044462d")  # "%PDF-"
  message(FATAL_ERROR "${PDF} does not start as a PDF file")
endif()
math(EXPR tail_offset "${size} - 16")
file(READ ${PDF} tail OFFSET ${tail_offset})
if(NOT tail MATCHES "%%EOF")
  message(FATAL_ERROR "${PDF} is truncated (no end-of-file marker)")
endif()
# Every page of the guide is a page object; the guide runs to several pages.
file(STRINGS ${PDF} pages REGEX "/Type /Page$")
list(LENGTH pages page_count)
if(page_count LESS 5)
  message(FATAL_ERROR "${PDF} has ${page_count} pages")
endif()
message(STATUS "${PDF}: ${size} bytes, ${page_count} pages")
