# Where `cmake --install` puts the program (Debian's layout when the prefix is
# /usr):
#   <prefix>/lib/batchdel/     the programs and the driver library, together,
#                              so the program finds libibdriver.so beside
#                              itself as in the build tree
#   <prefix>/bin/              links to the programs
#   <sysconfdir>/batchdel/     drivers.ini and connections.ini.sample; the
#                              operator's connections.ini goes here too
#   <prefix>/lib/batchdel/drivers.ini and connections.ini
#                              links into <sysconfdir>/batchdel/, so the
#                              program reads its ini files "beside itself"
#                              and needs no setting to find them
#   <prefix>/share/            menu entry, icons, manual pages
# The links are relative, so an install into a staging folder (DESTDIR) is a
# working program too; scripts/package makes the ones that cross from /usr to
# /etc absolute in the package. The folders themselves are named in
# BatchdelInstallDirs.cmake, before any target that needs them.
set(programdir "${CMAKE_INSTALL_PREFIX}/${BATCHDEL_INSTALL_PROGRAMDIR}")
# The installed program never writes into its own folder (see OrderDataFolder).
target_compile_definitions(batchdel_orders PRIVATE BATCHDEL_INSTALLED_PROGRAM_FOLDER="${programdir}/")
set(bindir "${CMAKE_INSTALL_FULL_BINDIR}")

set(batchdel_programs batchdel batchdel-restore)
if(TARGET batchdel-purge)
    list(APPEND batchdel_programs batchdel-purge)
endif()
if(TARGET installed_layout_tests AND TARGET batchdel-purge)
    add_dependencies(installed_layout_tests batchdel-purge)
endif()
install(TARGETS ${batchdel_programs} RUNTIME DESTINATION "${BATCHDEL_INSTALL_PROGRAMDIR}")
install(TARGETS ibdriver LIBRARY DESTINATION "${BATCHDEL_INSTALL_PROGRAMDIR}")

install(FILES "${CMAKE_SOURCE_DIR}/data/driver/drivers.ini.in" DESTINATION "${BATCHDEL_INSTALL_CONFDIR}"
        RENAME drivers.ini)
install(FILES "${CMAKE_SOURCE_DIR}/packaging/connections.ini.sample" DESTINATION "${BATCHDEL_INSTALL_CONFDIR}")

# The links: program -> bin, ini files -> configuration folder.
file(RELATIVE_PATH program_from_bin "${bindir}" "${programdir}")
file(RELATIVE_PATH conf_from_programs "${programdir}" "${BATCHDEL_INSTALL_CONFDIR}")
set(link_code "")
foreach(program ${batchdel_programs})
    string(APPEND link_code "batchdel_link(\"${program_from_bin}/${program}\" \"${bindir}/${program}\")\n")
endforeach()
foreach(ini drivers.ini connections.ini)
    string(APPEND link_code "batchdel_link(\"${conf_from_programs}/${ini}\" \"${programdir}/${ini}\")\n")
endforeach()
install(CODE "
function(batchdel_link target link)
    set(link \"\$ENV{DESTDIR}\${link}\")
    get_filename_component(folder \"\${link}\" DIRECTORY)
    file(MAKE_DIRECTORY \"\${folder}\")
    message(STATUS \"Installing link: \${link} -> \${target}\")
    file(CREATE_LINK \"\${target}\" \"\${link}\" SYMBOLIC)
endfunction()
${link_code}")

# Menu entry and icon.
install(FILES "${CMAKE_SOURCE_DIR}/packaging/batchdel.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${CMAKE_SOURCE_DIR}/packaging/icons/batchdel.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES "${CMAKE_SOURCE_DIR}/packaging/icons/batchdel-${size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps" RENAME batchdel.png)
endforeach()

# Manual pages: every docs/man/*.1, with @PROJECT_VERSION@ filled in, packed
# as Debian wants them.
file(GLOB batchdel_man_pages CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/docs/man/*.1")
set(packed_pages)
foreach(page ${batchdel_man_pages})
    get_filename_component(name "${page}" NAME)
    configure_file("${page}" "${CMAKE_BINARY_DIR}/man/${name}" @ONLY)
    add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/man/${name}.gz"
                       COMMAND gzip -9nkf "${CMAKE_BINARY_DIR}/man/${name}"
                       DEPENDS "${CMAKE_BINARY_DIR}/man/${name}" VERBATIM)
    list(APPEND packed_pages "${CMAKE_BINARY_DIR}/man/${name}.gz")
endforeach()
add_custom_target(batchdel_man_pages ALL DEPENDS ${packed_pages})
install(FILES ${packed_pages} DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
