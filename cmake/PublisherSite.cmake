# kolvarin_check_update_url(URL): stops the configure with a message naming KOLVARIN_UPDATE_URL
# unless URL is empty or an http:// or https:// URL with a host that can stand in a C string.
function(kolvarin_check_update_url url)
  if(url STREQUAL "")
    return()
  endif()
  if(NOT url MATCHES "^[Hh][Tt][Tt][Pp][Ss]?://[^/:@]+")
    message(FATAL_ERROR "KOLVARIN_UPDATE_URL: '${url}' is not an http:// or https:// URL with a host")
  endif()
  # Printable ASCII without a space, a quote or a backslash: it is written into a C string.
  if(NOT url MATCHES "^[!-~]+$" OR url MATCHES "[\"\\\\]")
    message(FATAL_ERROR "KOLVARIN_UPDATE_URL: '${url}' holds a space, a quote, a backslash or a character outside printable ASCII (write it percent-encoded)")
  endif()
endfunction()
