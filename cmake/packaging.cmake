# Installation (`make install`, DESTDIR honoured) and the two Debian packages
# (`make package`, CPack):
#   quillmate  the tool in bin/, its read-only data in lib/quillmate/ (pics/,
#              umb/ templates, updateApp/update, the client it packages), the
#              desktop entry, the icon and the ".epj" project-file type;
#   upgrade    the client alone in bin/, for publishers who ship it in their
#              own packages.
# Nothing is written under the prefix at run time: an installed tool keeps
# its writable folders under $XDG_DATA_HOME/quillmate/ (author::ToolFolders).
include(GNUInstallDirs)

# Private data of the tool, arch-dependent (it holds a program), so lib/ and
# not the multiarch library folder. The tool looks for it relative to its own
# folder; the build passes that relative path to author::ToolFolders.
set(QUILLMATE_DATA_DIR lib/quillmate)
file(RELATIVE_PATH _data_from_bin /p/${CMAKE_INSTALL_BINDIR} /p/${QUILLMATE_DATA_DIR})
set_property(SOURCE ${PROJECT_SOURCE_DIR}/author/tool_folders.cpp DIRECTORY ${PROJECT_SOURCE_DIR}/author
  APPEND PROPERTY COMPILE_DEFINITIONS QUILLMATE_INSTALLED_DATA="${_data_from_bin}")

install(TARGETS upgrade RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT upgrade)
install(TARGETS quillmate RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT quillmate)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/pics ${PROJECT_SOURCE_DIR}/umb
  DESTINATION ${QUILLMATE_DATA_DIR} COMPONENT quillmate)
install(PROGRAMS $<TARGET_FILE:upgrade> DESTINATION ${QUILLMATE_DATA_DIR}/updateApp RENAME update
  COMPONENT quillmate)
# install(PROGRAMS) is not stripped with the targets: strip the copy too
# (`cmake --install --strip`, and every package build).
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\"
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${QUILLMATE_DATA_DIR}/updateApp/update\")
  endif()" COMPONENT quillmate)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillmate.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT quillmate)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillmate-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME quillmate.xml COMPONENT quillmate)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillmate.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT quillmate)
foreach(_size 16 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/quillmate-${_size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps RENAME quillmate.png
    COMPONENT quillmate)
endforeach()

# Debian packages, one per component. Debian's triggers (desktop-file-utils,
# shared-mime-info, hicolor-icon-theme) refresh the menu, the file types and
# the icon cache, so the packages need no maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME upgrade)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillmate")
set(CPACK_PACKAGE_CONTACT "Quillmate maintainers <maintainers@quillmate.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL quillmate upgrade)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLMATE_HOME_PAGE}")
# Both open documents and web pages through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)

set(CPACK_DEBIAN_QUILLMATE_PACKAGE_NAME quillmate)
set(CPACK_DEBIAN_QUILLMATE_PACKAGE_SECTION devel)
# The packaged client (updateApp/update) loads libcurl by name.
set(CPACK_DEBIAN_QUILLMATE_PACKAGE_DEPENDS "libcurl4 (>= 7.88)")
set(CPACK_DEBIAN_QUILLMATE_DESCRIPTION "authoring tool for upgrade packages
Quillmate edits a project (.epj) describing the files, folders and skin of
an application update and generates the package the upgrade client reads:
configuration files, skin archive and the client itself. It also runs the
packaged client for debugging and has a headless mode for build pipelines.")
set(CPACK_DEBIAN_UPGRADE_PACKAGE_NAME upgrade)
set(CPACK_DEBIAN_UPGRADE_PACKAGE_SECTION utils)
# The client's windows are a library carried inside the program, and
# libcurl a library it loads by name, both on demand: the package tools
# cannot see either.
set(CPACK_DEBIAN_UPGRADE_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libcurl4 (>= 7.88)")
set(CPACK_DEBIAN_UPGRADE_DESCRIPTION "application update client
upgrade checks a server for newer versions of an application's files,
downloads them over HTTP, HTTPS or FTP, installs them with a backup and
rolls back on failure, reporting its progress to the host application.
Publishers ship it inside their own packages; Quillmate writes its
configuration.")

include(CPack)
