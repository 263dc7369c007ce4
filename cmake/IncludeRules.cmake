# Each folder's code includes only its own headers and those of the libraries its targets link:
# a logic library that included a window header without linking the window library would build
# today and tie the layers together tomorrow. Checked as part of the build, so that such an
# include fails it.
set(KORVANE_TOP_FOLDERS app sysaccess dosjob restore maintenance startup desktop switches knowledge ui platform disk registry base tools demo)

# The top folder of the project a target is defined in; empty for the project's own root.
function(korvane_folder_of target out)
  get_target_property(dir ${target} SOURCE_DIR)
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${dir})
  string(REGEX REPLACE "/.*" "" top "${rel}")
  set(${out} "${top}" PARENT_SCOPE)
endfunction()

# The folders of every project library a target links, directly or through others.
function(korvane_linked_folders target out)
  set(seen "")
  set(todo ${target})
  set(folders "")
  while(todo)
    list(POP_FRONT todo t)
    if(t IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${t})
    korvane_folder_of(${t} folder)
    if(folder)
      list(APPEND folders ${folder})
    endif()
    get_target_property(libs ${t} LINK_LIBRARIES)
    get_target_property(interface ${t} INTERFACE_LINK_LIBRARIES)
    foreach(lib IN LISTS libs interface)
      if(lib MATCHES "^korvane_" AND TARGET ${lib})
        list(APPEND todo ${lib})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_DUPLICATES folders)
  set(${out} "${folders}" PARENT_SCOPE)
endfunction()

function(korvane_check_includes)
  foreach(folder IN LISTS KORVANE_TOP_FOLDERS)
    get_property(targets DIRECTORY ${CMAKE_SOURCE_DIR}/${folder} PROPERTY BUILDSYSTEM_TARGETS)
    set(allowed ${folder})
    set(built "")
    foreach(t IN LISTS targets)
      get_target_property(type ${t} TYPE)
      if(type STREQUAL "STATIC_LIBRARY" OR type STREQUAL "EXECUTABLE")
        korvane_linked_folders(${t} linked)
        list(APPEND allowed ${linked})
        list(APPEND built ${t})
      endif()
    endforeach()
    list(REMOVE_DUPLICATES allowed)
    list(REMOVE_ITEM allowed "")
    file(GLOB_RECURSE files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    set(stamp ${CMAKE_BINARY_DIR}/include-rules/${folder}.checked)
    string(REPLACE ";" "," allowed_list "${allowed}")
    string(REPLACE ";" "," top_list "${KORVANE_TOP_FOLDERS}")
    add_custom_command(OUTPUT ${stamp}
      COMMAND ${CMAKE_COMMAND} -DFOLDER=${folder} -DALLOWED=${allowed_list} -DTOP=${top_list}
              -DROOT=${CMAKE_SOURCE_DIR} -DSTAMP=${stamp} -P ${CMAKE_SOURCE_DIR}/cmake/CheckIncludes.cmake
      DEPENDS ${files} ${CMAKE_SOURCE_DIR}/cmake/CheckIncludes.cmake
      COMMENT "Checking what ${folder}/ includes"
      VERBATIM)
    add_custom_target(korvane_includes_${folder} DEPENDS ${stamp})
    foreach(t IN LISTS built)
      add_dependencies(${t} korvane_includes_${folder})
    endforeach()
  endforeach()
endfunction()
