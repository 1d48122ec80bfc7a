# Runs at install time (cmake --install, or CPack staging the package), when
# CMAKE_INSTALL_PREFIX is the prefix the program really lands in.
#
# Qt looks for "Quillmark KV700 Marrowgate.ini". The text lives in
# marrowgate.ini and that name is a link to it: Debian's tools cannot mark a
# configuration file whose name has blanks, and a marked one is what keeps
# a site's own Target through upgrades.

if(IS_ABSOLUTE "${MG_PROGRAM_FOLDER}")
  set(folder "${MG_PROGRAM_FOLDER}")
else()
  set(folder "${CMAKE_INSTALL_PREFIX}/${MG_PROGRAM_FOLDER}")
endif()
cmake_path(NORMAL_PATH folder)
string(REGEX REPLACE "(.)/+$" "\\1" folder "${folder}")

# The value is quoted, so that a comma in the prefix cannot turn it into a
# list; a backslash or a quote inside is escaped as the INI reader expects.
string(REPLACE "\\" "\\\\" MG_TARGET "${folder}")
string(REPLACE "\"" "\\\"" MG_TARGET "${MG_TARGET}")

# Staged in a folder of this run only, removed afterwards: a "sudo cmake
# --install" must not leave files of root's that the next build as the user
# cannot replace.
string(RANDOM LENGTH 8 run)
set(staged "${MG_SETTINGS_STAGED}-${run}")
configure_file("${MG_SETTINGS_TEMPLATE}" "${staged}/marrowgate.ini" @ONLY)
file(CREATE_LINK marrowgate.ini "${staged}/Quillmark KV700 Marrowgate.ini" SYMBOLIC)
file(INSTALL DESTINATION "${MG_SETTINGS_DESTINATION}" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     FILES "${staged}/marrowgate.ini"
           "${staged}/Quillmark KV700 Marrowgate.ini")
file(REMOVE_RECURSE "${staged}")
