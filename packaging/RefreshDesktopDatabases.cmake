# Run by `cmake --install` once the desktop entry and the MIME type are in place. Installed
# straight into a prefix, the desktop's MIME and application databases there are brought up to
# date so that .sound files open with the program at once. A staged install (DESTDIR, as
# packages are made) leaves that to the target system, whose package triggers do it.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
    return()
endif()
cmake_path(ABSOLUTE_PATH datalogger_datadir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
           OUTPUT_VARIABLE data)
foreach(tool_and_folder "update-mime-database;mime" "update-desktop-database;applications")
    list(GET tool_and_folder 0 tool)
    list(GET tool_and_folder 1 folder)
    find_program(tool_path ${tool})
    if(tool_path)
        message(STATUS "Refreshing: ${data}/${folder}")
        execute_process(COMMAND ${tool_path} ${data}/${folder})
    endif()
    unset(tool_path CACHE)
endforeach()
