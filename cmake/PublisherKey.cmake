# Reads the publisher's public key file `path` into `outVar`, refusing at configure time a file
# that is not one PEM public key (its text goes into a string literal) or, when the openssl
# command is at hand, a key that is not an ECDSA P-256 key: a build with such a key would refuse
# every player.
function(kolvarin_read_publisher_key path outVar)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "KOLVARIN_PUBLISHER_KEY: ${path} does not exist")
  endif()
  file(READ "${path}" key)
  if(NOT key MATCHES
     "^-----BEGIN PUBLIC KEY-----\r?\n[A-Za-z0-9+/=\r\n]+-----END PUBLIC KEY-----\r?\n?$")
    message(FATAL_ERROR "KOLVARIN_PUBLISHER_KEY: ${path} is not one PEM public key (make it "
            "with: openssl ec -in publisher-key.pem -pubout -out publisher.pem)")
  endif()
  find_program(KOLVARIN_OPENSSL openssl)
  if(KOLVARIN_OPENSSL)
    execute_process(COMMAND ${KOLVARIN_OPENSSL} pkey -pubin -in "${path}" -noout -text
                    OUTPUT_VARIABLE description ERROR_QUIET RESULT_VARIABLE result)
    if(NOT result EQUAL 0 OR NOT description MATCHES "ASN1 OID: prime256v1")
      message(FATAL_ERROR "KOLVARIN_PUBLISHER_KEY: ${path} is not an ECDSA P-256 public key "
              "(make the key pair with: openssl ecparam -name prime256v1 -genkey -noout)")
    endif()
  endif()
  set(${outVar} "${key}" PARENT_SCOPE)
endfunction()

# Writes `output`, the source that holds the publisher's key named by the cache setting
# KOLVARIN_PUBLISHER_KEY (none: an empty key, and players are installed unsigned).
function(kolvarin_publisher_key_source output)
  set(KOLVARIN_PUBLISHER_KEY "" CACHE FILEPATH
      "The publisher's ECDSA P-256 public key (PEM) that downloaded players must be signed with")
  set(publisherKey "")
  if(KOLVARIN_PUBLISHER_KEY)
    kolvarin_read_publisher_key("${KOLVARIN_PUBLISHER_KEY}" publisherKey)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${KOLVARIN_PUBLISHER_KEY}")
    message(STATUS "Players must be signed by the publisher key ${KOLVARIN_PUBLISHER_KEY}")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/src/app/PublisherKey.cpp.in ${output} @ONLY)
endfunction()
