# tarnskov.exe: the framework layer, the program's parts and its resources.
add_library(tarnskov_framework STATIC
    framework/afxstr.cpp
    framework/afxwin.cpp
    framework/afxfile.cpp
    framework/afxdisp.cpp
    framework/afxole.cpp)
# ole32 and oleaut32 are bound at run time, when the show starts.
target_link_libraries(tarnskov_framework PUBLIC tarnskov_core uuid user32 advapi32)

# The version block of every executable, and the launcher's manifest, take the project's version.
configure_file(res/version.h.in ${CMAKE_BINARY_DIR}/generated/tarnskov_version.h @ONLY)
configure_file(res/tarnskov.manifest.in ${CMAKE_BINARY_DIR}/generated/tarnskov.manifest @ONLY)

add_executable(tarnskov WIN32
    framework/appmodul.cpp
    app/launcher_app.cpp
    app/macro_option.cpp
    channel/command_block.cpp
    lesson/lesson_files.cpp
    frame/main_frame.cpp
    frame/show_startup.cpp
    frame/receiver.cpp
    frame/watch.cpp
    frame/lesson_end.cpp
    frame/dispatcher.cpp
    frame/recorder.cpp
    viewer/viewer.cpp
    log/event_log.cpp
    res/tarnskov.rc)
target_include_directories(tarnskov PRIVATE ${CMAKE_BINARY_DIR}/generated
                                            ${CMAKE_CURRENT_SOURCE_DIR}/res)
target_link_libraries(tarnskov PRIVATE tarnskov_framework)
set_source_files_properties(res/tarnskov.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/res/tarnskov.ico;${CMAKE_BINARY_DIR}/generated/tarnskov.manifest;${CMAKE_CURRENT_SOURCE_DIR}/res/version.rc2;${CMAKE_CURRENT_SOURCE_DIR}/res/resource.h")
target_link_options(tarnskov PRIVATE -s)
