# The Windows programs' resources: the window's icon, made at build time from the picture the
# Linux build draws (cmake/windows/make-window-icon.py), and the version information from the
# project's version.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
enable_language(RC)

set(KOLVARIN_WINDOW_ICON ${PROJECT_BINARY_DIR}/resources/kolvarin.ico)
add_custom_command(
  OUTPUT ${KOLVARIN_WINDOW_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/resources
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/windows/make-window-icon.py
          ${KOLVARIN_WINDOW_ICON}
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/windows/make-window-icon.py
  VERBATIM)
add_custom_target(kv-window-icon DEPENDS ${KOLVARIN_WINDOW_ICON})

# The manifest both programs carry: their rights, the systems they know, long paths and DPI.
set(KOLVARIN_MANIFEST ${PROJECT_SOURCE_DIR}/cmake/windows/app.manifest)

# kolvarin_windows_resources(TARGET DESCRIPTION): gives the program the icon, the manifest and a
# version resource describing it.
function(kolvarin_windows_resources target description)
  set(KV_RC_NAME ${target})
  set(KV_RC_FILE ${target}.exe)
  set(KV_RC_DESCRIPTION ${description})
  set(KV_RC_ICON ${KOLVARIN_WINDOW_ICON})
  set(KV_RC_MANIFEST ${KOLVARIN_MANIFEST})
  set(rc ${PROJECT_BINARY_DIR}/resources/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
                              "${KOLVARIN_WINDOW_ICON};${KOLVARIN_MANIFEST}")
  add_dependencies(${target} kv-window-icon)
endfunction()
