# find_package(Scrivane): the imported target Scrivane::scrivane (the C library and its header).
include("${CMAKE_CURRENT_LIST_DIR}/ScrivaneTargets.cmake")
