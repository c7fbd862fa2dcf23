# RELION's particle extraction against the boxes and coordinate files of `pick`.
gc_add_gtest(pick_interop_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/PickInteropTest.cpp LIBS gridcarver_core)
target_compile_definitions(pick_interop_tests PRIVATE GC_CLI="$<TARGET_FILE:gridcarver-cli>")
add_dependencies(pick_interop_tests gridcarver-cli)
