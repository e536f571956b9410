# velmora: the unit test programs, one per module group, for whichever build includes this file:
# tests/CMakeLists.txt builds them for Linux, tests/windows for Windows, tests/wine runs those.
# The includer defines velmora_unit_test(NAME SOURCES...).
velmora_unit_test(shell_test ${CMAKE_CURRENT_LIST_DIR}/shell_test.cpp)
velmora_unit_test(geometry_test ${CMAKE_CURRENT_LIST_DIR}/geometry_test.cpp)
velmora_unit_test(view_test ${CMAKE_CURRENT_LIST_DIR}/view_test.cpp)
velmora_unit_test(textures_test ${CMAKE_CURRENT_LIST_DIR}/textures_test.cpp)
velmora_unit_test(modes_test ${CMAKE_CURRENT_LIST_DIR}/modes_test.cpp)
velmora_unit_test(pose_test ${CMAKE_CURRENT_LIST_DIR}/pose_test.cpp)
velmora_unit_test(extremes_test ${CMAKE_CURRENT_LIST_DIR}/extremes_test.cpp)
# The benchmark's copy of the chain frame, built here too so that it cannot drift from the frame.
velmora_unit_test(bench_test ${CMAKE_CURRENT_LIST_DIR}/bench_test.cpp ${PROJECT_SOURCE_DIR}/bench/reference_frame.cpp)
