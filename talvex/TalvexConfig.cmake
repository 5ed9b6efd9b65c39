# find_package(Talvex) gives the imported shared library Talvex::talvex, with
# its include folder; link it and include <talvex.h>.
include(${CMAKE_CURRENT_LIST_DIR}/TalvexTargets.cmake)
