# The English translation is current and finished: lupdate over the sources changes nothing
# in it, and no message is unfinished, obsolete or gone from the sources.
#   cmake -DLUPDATE=... -DTS=... -DSOURCES="a;b" -DWORK=dir -P translations_check.cmake
file(MAKE_DIRECTORY ${WORK})
get_filename_component(name ${TS} NAME)
set(copy ${WORK}/${name})
configure_file(${TS} ${copy} COPYONLY)
execute_process(COMMAND ${LUPDATE} -silent -locations none -no-obsolete -extensions cpp,h
                        ${SOURCES} -ts ${copy}
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "lupdate failed")
endif()
file(READ ${TS} kept)
file(READ ${copy} current)
if(NOT kept STREQUAL current)
    message(FATAL_ERROR "${TS} is not current with the sources: run "
                        "`cmake --build BUILD --target update_translations` and translate what is new")
endif()
foreach(state unfinished obsolete vanished)
    string(FIND "${current}" "type=\"${state}\"" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "${TS} has ${state} messages")
    endif()
endforeach()
message(STATUS "${TS}: current and finished")
