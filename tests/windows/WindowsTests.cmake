# The Windows suite under Wine (tests/windows/run sets the prefix up and starts the Linux
# stand-in server): the Win32 backend, and the engine as ace32.dll over Winsock.
quellmark_test(win32_tests SOURCES windows/win32_test.cpp windows/file_replace_win32_test.cpp
    LIBS discovery dataaccess)
target_compile_definitions(win32_tests PRIVATE
    LACKING_ENGINE_LIBRARY="ace32_lacking.dll")
add_dependencies(win32_tests ace32_lacking)
# The lacking copy beside the test, under another name.
add_custom_command(TARGET win32_tests POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ace32_lacking> $<TARGET_FILE_DIR:win32_tests>/ace32_lacking.dll)
