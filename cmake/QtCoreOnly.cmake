# qtcore_only: QtCore for the layers that must not reach Qt's other modules.
#
# Qt6::Core brings Qt's root include folder, and through it <QtWidgets/QWidget> and
# <QtGui/QPainter> resolve in any target that links QtCore. qtcore_only links Qt6::Core and
# carries its usage requirements, but in place of that root a folder of its own that holds
# only QtCore (a link to Qt's), which QtCore's headers need for their <QtCore/...> includes.
set(qtcore_only_root ${CMAKE_BINARY_DIR}/qtcore-only)
add_library(qtcore_only INTERFACE)
target_link_libraries(qtcore_only INTERFACE $<LINK_ONLY:Qt6::Core>)

set(pending Qt6::Core)
set(seen)
while(pending)
    list(POP_FRONT pending from)
    # Items that are generator expressions or plain library names carry no usage
    # requirements to copy; the link above takes them along.
    if(NOT TARGET ${from} OR from IN_LIST seen)
        continue()
    endif()
    list(APPEND seen ${from})
    foreach(usage COMPILE_DEFINITIONS COMPILE_OPTIONS COMPILE_FEATURES)
        get_target_property(values ${from} INTERFACE_${usage})
        if(values)
            set_property(TARGET qtcore_only APPEND PROPERTY INTERFACE_${usage} "${values}")
        endif()
    endforeach()
    get_target_property(dirs ${from} INTERFACE_INCLUDE_DIRECTORIES)
    if(NOT dirs)
        set(dirs)
    endif()
    foreach(dir IN LISTS dirs)
        if(IS_DIRECTORY ${dir}/QtCore)
            file(MAKE_DIRECTORY ${qtcore_only_root})
            file(CREATE_LINK ${dir}/QtCore ${qtcore_only_root}/QtCore SYMBOLIC)
            set(dir ${qtcore_only_root})
        endif()
        target_include_directories(qtcore_only SYSTEM INTERFACE ${dir})
    endforeach()
    get_target_property(links ${from} INTERFACE_LINK_LIBRARIES)
    if(links)
        list(APPEND pending ${links})
    endif()
endwhile()
