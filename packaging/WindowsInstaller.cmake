# The Windows installer (CPack's NSIS generator, Debian's makensis):
# TarnToolkit-<version>-win64.exe puts both programs and the shipped drive
# descriptions into Program Files\TarnToolkit, a Start-menu entry for the
# window and an entry in the system's list of installed programs. Its
# uninstaller removes what it installed and nothing else: the profile in the
# registry and the user's snapshots and service history stay.
install(TARGETS tarn tarn-toolkit RUNTIME DESTINATION bin)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/sim/drives/ DESTINATION drives FILES_MATCHING PATTERN "*.json")

set(CPACK_GENERATOR NSIS64)
# A 64-bit installer for 64-bit programs: it writes the 64-bit registry and
# needs no 32-bit subsystem.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_PACKAGE_NAME TarnToolkit)
set(CPACK_PACKAGE_VENDOR TarnToolkit)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Moves a servo drive's configuration between the drive and an image file")
set(CPACK_PACKAGE_FILE_NAME TarnToolkit-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY TarnToolkit)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY TarnToolkit)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME TarnToolkit)
set(CPACK_NSIS_PACKAGE_NAME TarnToolkit)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/app/win32/tarn_toolkit.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/app/win32/tarn_toolkit.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\tarn-toolkit.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The Start-menu entry: the window, named as its caption.
set(CPACK_PACKAGE_EXECUTABLES tarn-toolkit TarnToolkit)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
