# Folder dependencies. Every project header is included by its path from the
# top folder ("orders/OrderBatch.h"), so the compiler alone no longer keeps a
# folder from using one above it. Each target therefore names the folders
# whose headers it and its users may include, with the visibility a
# target_include_directories() entry would have:
#   batchdel_header_folders(batchdel_orders PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
# and the build step made by batchdel_check_folder_dependencies() fails when a
# file of a target includes a header from a folder outside what the target
# names for itself and what the targets it links (directly or through them)
# name as PUBLIC or INTERFACE. A file may always include the headers beside it.

define_property(TARGET PROPERTY BATCHDEL_HEADER_FOLDERS
                BRIEF_DOCS "Folders whose headers the target's own files may include")
define_property(TARGET PROPERTY INTERFACE_BATCHDEL_HEADER_FOLDERS
                BRIEF_DOCS "Folders whose headers the target's users may include")

function(batchdel_header_folders target)
    set(visibility PUBLIC)
    foreach(arg IN LISTS ARGN)
        if(arg MATCHES "^(PUBLIC|PRIVATE|INTERFACE)$")
            set(visibility ${arg})
            continue()
        endif()
        cmake_path(ABSOLUTE_PATH arg BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE folder)
        file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${folder})
        string(REGEX REPLACE "/$" "" folder "${folder}")
        if(visibility STREQUAL "PUBLIC" OR visibility STREQUAL "PRIVATE")
            set_property(TARGET ${target} APPEND PROPERTY BATCHDEL_HEADER_FOLDERS ${folder})
        endif()
        if(visibility STREQUAL "PUBLIC" OR visibility STREQUAL "INTERFACE")
            set_property(TARGET ${target} APPEND PROPERTY INTERFACE_BATCHDEL_HEADER_FOLDERS ${folder})
        endif()
    endforeach()
endfunction()

function(_batchdel_collect_targets dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        _batchdel_collect_targets(${sub} more)
        list(APPEND targets ${more})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# The targets an item list names, stripped of the markers CMake keeps in it.
function(_batchdel_linked_targets items out)
    set(found)
    foreach(item IN LISTS items)
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
        if(item MATCHES "^::@" OR item MATCHES "\\$<")
            continue()
        endif()
        if(TARGET ${item})
            get_target_property(aliased ${item} ALIASED_TARGET)
            if(aliased)
                set(item ${aliased})
            endif()
            list(APPEND found ${item})
        endif()
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# Writes what each target may include and makes a build step that checks it;
# call it once, after every add_subdirectory().
function(batchdel_check_folder_dependencies)
    _batchdel_collect_targets(${PROJECT_SOURCE_DIR} targets)
    set(manifest "${CMAKE_BINARY_DIR}/batchdel_folders/manifest.cmake")
    set(text "")
    set(checked)
    set(scanned)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "INTERFACE_LIBRARY" OR type STREQUAL "UTILITY")
            continue()
        endif()
        get_target_property(source_dir ${target} SOURCE_DIR)
        get_target_property(sources ${target} SOURCES)
        set(files)
        foreach(source IN LISTS sources)
            if(source MATCHES "\\$<" OR NOT source MATCHES "\\.(cpp|cc|cxx|h|hpp)$")
                continue()
            endif()
            cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} NORMALIZE OUTPUT_VARIABLE path)
            cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${path}" NORMALIZE inside)
            if(NOT inside OR NOT EXISTS "${path}")
                continue()
            endif()
            file(RELATIVE_PATH path ${PROJECT_SOURCE_DIR} ${path})
            list(APPEND files ${path})
            list(APPEND scanned ${PROJECT_SOURCE_DIR}/${path})
        endforeach()
        if(NOT files)
            continue()
        endif()
        # Its own folders, then those of every target it links, followed
        # through what each of them passes on to its users.
        get_target_property(allowed ${target} BATCHDEL_HEADER_FOLDERS)
        if(NOT allowed)
            set(allowed)
        endif()
        get_target_property(links ${target} LINK_LIBRARIES)
        if(NOT links)
            set(links)
        endif()
        _batchdel_linked_targets("${links}" queue)
        set(seen)
        while(queue)
            list(POP_FRONT queue dep)
            if(dep IN_LIST seen)
                continue()
            endif()
            list(APPEND seen ${dep})
            get_target_property(passed ${dep} INTERFACE_BATCHDEL_HEADER_FOLDERS)
            if(passed)
                list(APPEND allowed ${passed})
            endif()
            get_target_property(further ${dep} INTERFACE_LINK_LIBRARIES)
            if(further)
                _batchdel_linked_targets("${further}" more)
                list(APPEND queue ${more})
            endif()
        endwhile()
        list(REMOVE_DUPLICATES allowed)
        string(APPEND text "list(APPEND BATCHDEL_CHECK_TARGETS ${target})\n"
                           "set(BATCHDEL_CHECK_${target}_FILES \"${files}\")\n"
                           "set(BATCHDEL_CHECK_${target}_ALLOWED \"${allowed}\")\n")
        list(APPEND checked ${target})
    endforeach()
    file(CONFIGURE OUTPUT ${manifest} CONTENT "${text}")

    # Rerun when a source, a header or the rules change.
    file(GLOB_RECURSE headers ${PROJECT_SOURCE_DIR}/*.h)
    list(FILTER headers EXCLUDE REGEX "^${CMAKE_BINARY_DIR}/")
    list(REMOVE_DUPLICATES scanned)
    set(stamp "${CMAKE_BINARY_DIR}/batchdel_folders/checked.stamp")
    add_custom_command(
        OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -DMANIFEST=${manifest} -P
                ${PROJECT_SOURCE_DIR}/cmake/CheckFolderIncludes.cmake
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${manifest} ${PROJECT_SOURCE_DIR}/cmake/CheckFolderIncludes.cmake ${scanned} ${headers}
        COMMENT "Checking the folders' include dependencies"
        VERBATIM)
    add_custom_target(batchdel_folder_check ALL DEPENDS ${stamp})
    foreach(target IN LISTS checked)
        add_dependencies(${target} batchdel_folder_check)
    endforeach()
endfunction()
