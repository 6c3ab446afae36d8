# Runs the build's check of KOLVARIN_UPDATE_URL on one value:
#   cmake -DURL=VALUE -P update_url.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/PublisherSite.cmake)
kolvarin_check_update_url("${URL}")
message(STATUS "accepted")
