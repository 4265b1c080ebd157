# Installed last into the ZIP's folder: its SHA256SUMS, the SHA-256 of every other file the package
# holds, one line each as sha256sum -c reads them, so that administrators can check what they got.
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(GLOB shipped LIST_DIRECTORIES false RELATIVE "${folder}" "${folder}/*")
list(REMOVE_ITEM shipped SHA256SUMS)
list(SORT shipped)
set(sums "")
foreach(name IN LISTS shipped)
    file(SHA256 "${folder}/${name}" hash)
    string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE "${folder}/SHA256SUMS" "${sums}")
