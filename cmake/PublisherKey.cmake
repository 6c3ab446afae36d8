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
