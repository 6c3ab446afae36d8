# Delay-loaded system libraries: the Windows programs import the DLLs of the download, the shell,
# the signature check, TLS and screen readers only when one of their functions is first called,
# not at the start, where Wine spends milliseconds on each DLL and the libraries it loads in turn.
# Each library's functions are listed in cmake/windows/delay/NAME.def; a function missing there
# fails the link.
find_program(KOLVARIN_DLLTOOL NAMES ${KOLVARIN_MINGW}-dlltool REQUIRED)

# kolvarin_delay_library(NAME): an imported library kv_delay_NAME that binds NAME.dll's listed
# functions on their first call.
function(kolvarin_delay_library name)
  set(def ${PROJECT_SOURCE_DIR}/cmake/windows/delay/${name}.def)
  set(lib ${PROJECT_BINARY_DIR}/delay/lib${name}_delay.a)
  add_custom_command(
    OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/delay
    COMMAND ${KOLVARIN_DLLTOOL} --input-def ${def} --output-delaylib ${lib} --dllname ${name}.dll
    DEPENDS ${def}
    VERBATIM)
  add_custom_target(kv_delay_${name}_lib DEPENDS ${lib})
  add_library(kv_delay_${name} STATIC IMPORTED GLOBAL)
  set_target_properties(kv_delay_${name} PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(kv_delay_${name} kv_delay_${name}_lib)
endfunction()

foreach(name wininet shell32 crypt32 bcrypt secur32 oleacc ole32 oleaut32)
  kolvarin_delay_library(${name})
endforeach()
