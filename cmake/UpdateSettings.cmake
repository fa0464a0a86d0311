# The rules for the update settings, checked when the project is configured,
# and by a test that runs this file as a script with the settings given as -D.
#   PADSCOPE_UPDATE_PUBLIC_KEY   empty, or 64 hex digits
#   PADSCOPE_RELEASE_NUMBER      empty, or a number from 1 to 2147483647
if(NOT PADSCOPE_UPDATE_PUBLIC_KEY STREQUAL ""
   AND NOT PADSCOPE_UPDATE_PUBLIC_KEY MATCHES "^[0-9a-fA-F]+$")
  message(FATAL_ERROR "PADSCOPE_UPDATE_PUBLIC_KEY is not a key in hex: ${PADSCOPE_UPDATE_PUBLIC_KEY}")
endif()
string(LENGTH "${PADSCOPE_UPDATE_PUBLIC_KEY}" padscope_key_length)
if(NOT padscope_key_length EQUAL 0 AND NOT padscope_key_length EQUAL 64)
  message(FATAL_ERROR
    "PADSCOPE_UPDATE_PUBLIC_KEY must have 64 hex digits, not ${padscope_key_length}")
endif()
if(NOT PADSCOPE_RELEASE_NUMBER STREQUAL "")
  if(NOT PADSCOPE_RELEASE_NUMBER MATCHES "^[1-9][0-9]*$" OR PADSCOPE_RELEASE_NUMBER GREATER 2147483647)
    message(FATAL_ERROR "PADSCOPE_RELEASE_NUMBER is not a positive number: ${PADSCOPE_RELEASE_NUMBER}")
  endif()
elseif(NOT padscope_key_length EQUAL 0)
  # Without its own version a build would take any signed package as newer,
  # an older one too.
  message(FATAL_ERROR "PADSCOPE_UPDATE_PUBLIC_KEY needs PADSCOPE_RELEASE_NUMBER: a build that "
                      "installs updates must know its own version")
endif()
