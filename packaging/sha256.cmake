# CPack runs this after making the ZIP: the SHA-256 of each file in it and of the ZIP itself, for
# inventories and antivirus exclusions, printed as sha256sum -c reads them.
get_filename_component(staged ${CPACK_TEMPORARY_DIRECTORY} DIRECTORY)
file(GLOB_RECURSE shipped RELATIVE ${staged} ${CPACK_TEMPORARY_DIRECTORY}/*)
execute_process(COMMAND ${CMAKE_COMMAND} -E sha256sum ${shipped} WORKING_DIRECTORY ${staged})
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    get_filename_component(folder ${package} DIRECTORY)
    get_filename_component(name ${package} NAME)
    execute_process(COMMAND ${CMAKE_COMMAND} -E sha256sum ${name} WORKING_DIRECTORY ${folder})
endforeach()
