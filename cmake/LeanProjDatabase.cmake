# A copy of PROJ's database without its triggers, which the library opens instead of PROJ's own.
#
# The triggers only check rows being inserted (the library never writes to the database), but
# SQLite parses the whole schema when it opens a database, and the triggers are three quarters
# of proj.db's schema: the copy opens in a quarter of the instructions, some milliseconds of every
# process that makes a coordinate system. Its file name records the size and modification time of
# the proj.db it was made from; the library uses it only while PROJ would open that very file
# (and PROJ_DATA and PROJ_LIB are not set), so an upgraded PROJ is never paired with a stale copy.
#
# Included from the top-level CMakeLists.txt; run with -P (SQLITE3, SOURCE, OUTPUT) to make the
# copy.
if(CMAKE_SCRIPT_MODE_FILE)
  set(tmp "${OUTPUT}.tmp")
  file(REMOVE "${tmp}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E copy "${SOURCE}" "${tmp}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND "${SQLITE3}" "${tmp}" "SELECT name FROM sqlite_master WHERE type = 'trigger'"
                  OUTPUT_VARIABLE triggers COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "\n" ";" triggers "${triggers}")
  set(sql "")
  foreach(trigger IN LISTS triggers)
    if(NOT trigger STREQUAL "")
      string(APPEND sql "DROP TRIGGER \"${trigger}\";")
    endif()
  endforeach()
  string(APPEND sql "VACUUM;")
  execute_process(COMMAND "${SQLITE3}" "${tmp}" "${sql}" COMMAND_ERROR_IS_FATAL ANY)
  file(RENAME "${tmp}" "${OUTPUT}")
  return()
endif()

option(PARALLO_LEAN_PROJ_DB "Open a trigger-free copy of PROJ's database (made at build time)" ON)
if(PARALLO_LEAN_PROJ_DB)
  find_program(PARALLO_SQLITE3 sqlite3)
  pkg_get_variable(PARALLO_PROJ_DATADIR proj datadir)
  set(source "${PARALLO_PROJ_DATADIR}/proj.db")
  if(PARALLO_SQLITE3 AND EXISTS "${source}")
    file(SIZE "${source}" size)
    file(TIMESTAMP "${source}" mtime "%s" UTC)
    set(dir "${PROJECT_BINARY_DIR}/share/parallo")
    set(lean "${dir}/proj-${size}-${mtime}.db")
    file(MAKE_DIRECTORY "${dir}")
    add_custom_command(OUTPUT "${lean}"
      COMMAND ${CMAKE_COMMAND} -DSQLITE3=${PARALLO_SQLITE3} -DSOURCE=${source} -DOUTPUT=${lean}
              -P ${PROJECT_SOURCE_DIR}/cmake/LeanProjDatabase.cmake
      DEPENDS "${source}" ${PROJECT_SOURCE_DIR}/cmake/LeanProjDatabase.cmake
      COMMENT "Making a trigger-free copy of PROJ's database")
    add_custom_target(parallo_lean_proj_db ALL DEPENDS "${lean}")
    add_dependencies(parallo_objects parallo_lean_proj_db)
    # Where the library looks for the copy: the build tree, then the installed data directory.
    set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/coords/proj_context.cpp APPEND PROPERTY COMPILE_DEFINITIONS
      "PARALLO_LEAN_PROJ_DB_DIRS=\"${dir}:${CMAKE_INSTALL_FULL_DATADIR}/parallo\"")
    install(FILES "${lean}" DESTINATION ${CMAKE_INSTALL_DATADIR}/parallo)
  else()
    message(STATUS "PROJ's database is opened as it is (no sqlite3 program, or no ${source})")
  endif()
endif()
