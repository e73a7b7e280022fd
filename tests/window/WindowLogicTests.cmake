# The window's own logic on the in-memory toolkit. It draws nothing, so the
# same tests are built and run for every platform (tests/window, tests/win32).
add_executable(window_tests ${CMAKE_CURRENT_LIST_DIR}/WindowLogicTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/MemoryFileSystem.cpp)
target_link_libraries(window_tests PRIVATE tickerloom_window GTest::gtest GTest::gtest_main)
target_compile_definitions(window_tests PRIVATE
  TICKERLOOM_SELF_UPDATE=$<BOOL:${TICKERLOOM_SELF_UPDATE}>)
if(TICKERLOOM_SELF_UPDATE)
  target_link_libraries(window_tests PRIVATE tickerloom_update)
endif()
gtest_discover_tests(window_tests DISCOVERY_TIMEOUT 30)
