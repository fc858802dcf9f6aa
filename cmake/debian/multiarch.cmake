# Run by cpack once the Debian packages are built. CPack has no setting for
# the Multi-Arch field, so it is written into each package's control file
# here: both packages are "same", their files either lie under the
# architecture's own library directory or are identical on every
# architecture, so one copy of each architecture can be installed side by side.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(tree ${package}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb -R ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  file(READ ${tree}/DEBIAN/control control)
  if(NOT control MATCHES "\nMulti-Arch:")
    string(REGEX REPLACE "(Architecture: [^\n]*)" "\\1\nMulti-Arch: same" control "${control}")
    file(WRITE ${tree}/DEBIAN/control "${control}")
  endif()
  execute_process(COMMAND dpkg-deb --root-owner-group -b ${tree} ${package} OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
