# The folders `cmake --install` uses (see BatchdelInstall.cmake), named before
# the targets and tests that refer to them are made.
include(GNUInstallDirs)

set(BATCHDEL_INSTALL_PROGRAMDIR "lib/batchdel" CACHE STRING
    "Folder under the prefix for the programs and the driver library")
set(BATCHDEL_INSTALL_CONFDIR "${CMAKE_INSTALL_FULL_SYSCONFDIR}/batchdel" CACHE STRING
    "Folder of drivers.ini and the connection file")
