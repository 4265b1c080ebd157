# CPack runs this after making the ZIP: the SHA-256 of each file in it and of the ZIP itself, for
# inventories and antivirus exclusions, printed as sha256sum -c reads them; the ZIP's line goes
# into the SHA256SUMS beside it, which build-msi.sh keeps the MSI's line in too.
get_filename_component(staged ${CPACK_TEMPORARY_DIRECTORY} DIRECTORY)
file(GLOB_RECURSE shipped RELATIVE ${staged} ${CPACK_TEMPORARY_DIRECTORY}/*)
execute_process(COMMAND ${CMAKE_COMMAND} -E sha256sum ${shipped} WORKING_DIRECTORY ${staged})
# The packages are still in CPack's own folder here; SHA256SUMS is written where they are copied to.
set(sums_file ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    get_filename_component(folder ${package} DIRECTORY)
    get_filename_component(name ${package} NAME)
    execute_process(COMMAND ${CMAKE_COMMAND} -E sha256sum ${name} WORKING_DIRECTORY ${folder})
    # The other lines stay while their packages do.
    set(lines "")
    if(EXISTS ${sums_file})
        file(STRINGS ${sums_file} lines)
    endif()
    set(kept "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[0-9a-f]+  " "" listed "${line}")
        if(NOT listed STREQUAL name AND EXISTS ${CPACK_PACKAGE_DIRECTORY}/${listed})
            list(APPEND kept "${line}")
        endif()
    endforeach()
    file(SHA256 ${package} hash)
    list(APPEND kept "${hash}  ${name}")
    list(JOIN kept "\n" sums)
    file(WRITE ${sums_file} "${sums}\n")
endforeach()
