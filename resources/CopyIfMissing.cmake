# cmake -DSOURCE=... -DTARGET=... -P CopyIfMissing.cmake: copies SOURCE to TARGET unless TARGET exists,
# so settings a user changed survive every rebuild.
if(NOT EXISTS "${TARGET}")
  configure_file("${SOURCE}" "${TARGET}" COPYONLY)
endif()
