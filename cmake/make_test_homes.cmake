# Run by the test fixture brivane_test_homes before the tests:
#   cmake -DROOT=<folder> -DNAMES=<name,name,...> -P make_test_homes.cmake
# Gives every test an empty home of its own, so whatever a test (or Qt on its
# behalf: file dialog history, settings, caches) writes under HOME or the XDG
# folders stays in the build tree and never reaches the user's ~/.config.
if(NOT ROOT OR NOT NAMES)
  message(FATAL_ERROR "make_test_homes.cmake needs ROOT and NAMES")
endif()
string(REPLACE "," ";" names "${NAMES}")
# Start each run from empty folders: nothing left by an earlier run leaks in.
file(REMOVE_RECURSE "${ROOT}")
foreach(name IN LISTS names)
  foreach(sub home config data cache runtime)
    set(dir "${ROOT}/${name}/${sub}")
    file(MAKE_DIRECTORY "${dir}")
    # Private, as a login session's folders are (Qt refuses a runtime folder
    # that others may read).
    file(CHMOD "${dir}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  endforeach()
endforeach()
